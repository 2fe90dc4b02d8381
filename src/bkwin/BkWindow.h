#pragma once

#include <cairo.h>

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "bkwin/BkFontPool.h"
#include "bkwin/BkObject.h"
#include "bkwin/BkPosition.h"
#include "bkwin/BkStyle.h"
#include "bkwin/IBkWindow.h"
#include "platform/window/Geometry.h"

namespace BkWin {

class IBkHost;
struct BkNotify;

// Visual state bits of a control.
enum BkState : unsigned {
    kStateNormal = 0,
    kStateHover = 1,
    kStatePushed = 2,
    kStateChecked = 4,
    kStateDisabled = 16,
};

// Mouse events the layout window reports to the ancestors of the control that had them.
enum BkMouseEventKind : int {
    kEventEnter,
    kEventLeave,
    kEventMove,
    kEventPress,
    kEventClick,
    kEventRightPress,
    kEventRightClick,
    kEventDoubleClick,
};

// How a control without a two- or four-item "pos" takes its width or height.
struct BkSizeModel {
    enum Kind { kContent, kFixed, kFull };
    Kind kind = kContent;
    int value = 0;
};

// The base of every control: common attributes, placement, state, background and text
// drawing, and the mouse operations the layout window calls. UI thread only.
class CBkWindow : public CBkObject, public IBkWindow {
public:
    CBkWindow() = default;
    CBkWindow(const CBkWindow&) = delete;
    CBkWindow& operator=(const CBkWindow&) = delete;
    ~CBkWindow() override;

    bool Load(const tinyxml2::XMLElement& element) override;
    bool SetAttribute(std::string_view name, std::string_view value, bool loading) override;

    // Tree wiring, done by the parent before Load.
    void Attach(CBkWindow* parent, IBkHost* host, bool dpi_aware);
    CBkWindow* Parent() const { return parent_; }
    IBkHost* Host() const { return host_; }
    bool IsDescendantOf(const CBkWindow* ancestor) const;
    bool IsDpiAware() const { return dpi_aware_; }
    // A parent was shown or hidden.
    void ParentShownChanged() { OnShownChanged(); }

    // IBkWindow
    void Reposition() override;
    int ScaleValue(int value) const override;
    int UnscaleValue(int value) const override;

    // Resolves the position inside `inner`, the parent's rectangle less its margins.
    void RepositionIn(const platform::Rect& inner);
    // Sets the rectangle directly (regions, list items) and lays out what is inside.
    virtual void Place(const platform::Rect& rect);
    bool IsPlaced() const { return placed_; }
    const BkSizeModel& WidthModel() const { return width_model_; }
    const BkSizeModel& HeightModel() const { return height_model_; }
    const platform::Rect& GetRect() const { return rect_; }
    // The rectangle children and text are placed in.
    platform::Rect InnerRect() const;
    // Pixel size the content asks for (text extent, skin size).
    virtual platform::Size GetContentSize() const;

    int GetId() const { return id_; }
    const std::string& GetText() const { return text_; }
    void SetText(std::string_view text);
    const std::string& GetHref() const { return href_; }
    const std::string& GetTip() const { return tip_; }
    int GetUserData() const { return userdata_; }
    int GetNotifyBits() const { return notify_; }
    bool AcceptsHeaderPress() const { return head_accept_press_; }
    const BkStyle& Style() const { return style_; }
    // The control's own "crbg", else its style's.
    std::optional<Colour> BackgroundColour() const { return crbg_ ? crbg_ : style_.crbg; }
    void SetStyleClass(std::string_view name);
    // Any attribute at run time; a changed "pos" re-places the control at once.
    bool SetRuntimeAttribute(std::string_view name, std::string_view value);
    void SetPos(std::string_view pos);

    bool IsVisible() const { return visible_; }
    // Visible itself and inside visible parents.
    bool IsShown() const;
    void SetVisible(bool visible);
    unsigned GetState() const { return state_; }
    bool HasState(unsigned bits) const { return (state_ & bits) == bits; }
    void ModifyState(unsigned add, unsigned remove);
    bool IsDisabled() const { return HasState(kStateDisabled); }
    void SetEnabled(bool enabled) {
        const unsigned bit = kStateDisabled;
        ModifyState(enabled ? 0u : bit, enabled ? bit : 0u);
    }
    bool IsChecked() const { return HasState(kStateChecked); }
    virtual void SetCheck(bool checked);

    // Clickable controls take a press in the header instead of starting a window drag.
    virtual bool IsClickable() const { return false; }
    // The deepest shown control under `point`, or null.
    virtual CBkWindow* HitTest(platform::Point point);
    // Finds a control by id in this subtree.
    virtual CBkWindow* FindById(int id);

    virtual void Draw(cairo_t* cr);
    // The font the text is drawn with in the current state.
    const BkFont& TextFont() const;

    // Mouse operations, in client coordinates.
    virtual void OnMouseEnter() { ModifyState(kStateHover, 0); }
    virtual void OnMouseLeave() { ModifyState(0, kStateHover | kStatePushed); }
    virtual void OnMouseMove(platform::Point) {}
    virtual void OnLButtonDown(platform::Point) {}
    virtual void OnLButtonUp(platform::Point) {}
    virtual void OnRButtonDown(platform::Point) {}
    virtual void OnRButtonUp(platform::Point) {}
    virtual void OnDoubleClick(platform::Point) {}
    // True when the wheel was used; otherwise the parent is asked.
    virtual bool OnMouseWheel(platform::Point, int /*delta*/) { return false; }
    // Mouse events of a control below this one (enter, leave, press...), after it has had them.
    virtual void OnDescendantEvent(CBkWindow& /*control*/, BkMouseEventKind /*event*/) {}

    // Asks the layout window to redraw the control.
    void Redraw() const;

protected:
    virtual void OnPlaced() {}
    virtual void OnShownChanged() {}
    virtual void DrawBackground(cairo_t* cr);
    virtual void DrawContent(cairo_t* cr);
    void DrawTextIn(cairo_t* cr, std::string_view text, const platform::Rect& rect) const;
    unsigned TextMode() const;
    Colour TextColour() const;
    // Sends a notification to the layout window, when there is one.
    void Notify(BkNotify& record) const;

    // Drawing switches kept for the subclasses.
    bool transparent_ = false;
    bool border_ = false;
    bool correct_draw_bg_ = false;
    bool auto_fix_text_rect_ = false;
    bool force_update_style_ = false;
    bool floating_ = false;

private:
    void ApplyStyleClass(std::string_view name);
    bool SetSizeModel(BkSizeModel& model, std::string_view value);

    CBkWindow* parent_ = nullptr;  // not owned; the parent owns this control
    IBkHost* host_ = nullptr;      // not owned; outlives the control tree
    bool dpi_aware_ = false;

    int id_ = 0;
    std::string text_;
    BkStyle style_;
    BkPosition pos_;
    bool has_pos_ = false;
    BkSizeModel width_model_, height_model_;
    platform::Rect rect_;
    bool placed_ = false;
    bool visible_ = true;
    unsigned state_ = kStateNormal;

    std::optional<Colour> crbg_, crtext_;
    std::optional<std::uint16_t> font_;
    std::optional<unsigned> valign_, align_;
    std::optional<int> alpha_text_;
    std::string href_, tip_;
    bool head_accept_press_ = false;
    int userdata_ = 0;
    int notify_ = 0;
};

}  // namespace BkWin
