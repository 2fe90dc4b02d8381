#pragma once

#include <cairo.h>

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "bkwin/BkDialog.h"
#include "bkwin/BkLayer.h"
#include "bkwin/BkNotify.h"
#include "bkwin/BkShadow.h"
#include "bkwin/BkShadowWnd.h"
#include "bkwin/BkSurfaceRef.h"
#include "bkwin/BkToolTip.h"
#include "bkwin/IBkControlCreator.h"
#include "bkwin/IBkHost.h"
#include "platform/window/WindowSystem.h"

namespace BkWin {

// A window made from a layout: header, body and footer panels over one native window, drawn
// into an off-screen image and redrawn only where controls changed. The owner composes or
// subclasses it and hears of user actions through on_notify. UI thread only.
class CBkDialogViewImplEx : public IBkHost {
public:
    explicit CBkDialogViewImplEx(platform::WindowSystem& system);
    ~CBkDialogViewImplEx() override;
    CBkDialogViewImplEx(const CBkDialogViewImplEx&) = delete;
    CBkDialogViewImplEx& operator=(const CBkDialogViewImplEx&) = delete;

    // Every notification; the owner may write the record's refuse flag.
    std::function<void(BkNotify& record)> on_notify;

    // Replaces the default control creator; before Load.
    void SetControlCreator(std::unique_ptr<IBkControlCreator> creator);
    // The shadow settings; before Load.
    BkShadow& Shadow() { return shadow_; }

    // Parses the layout, builds the regions and creates the (hidden) native window. False,
    // with no window and LastError set, when the layout cannot be used.
    bool Load(int layout_id, platform::NativeWindow* owner = nullptr);
    bool LoadXml(std::string_view xml, platform::NativeWindow* owner = nullptr);
    const std::string& LastError() const { return error_; }
    const BkLayer& Layer() const { return layer_; }

    CBkDialog* Header() const { return header_.get(); }
    CBkDialog* Body() const { return body_.get(); }
    CBkDialog* Footer() const { return footer_.get(); }
    CBkWindow* FindControl(int id) const;
    template <class Control>
    Control* FindControl(int id) const {
        return dynamic_cast<Control*>(FindControl(id));
    }
    // The deepest shown control under a client point: header, then body, then footer.
    CBkWindow* HitTest(platform::Point point) const;
    CBkWindow* HoveredControl() const { return hover_; }
    CBkWindow* PressedControl() const { return pressed_; }

    // Lays the regions out in the client area again.
    void PlaceRegions();
    // Brings the off-screen image up to date: all of it after a size change or a full
    // invalidation, else the pending region.
    void UpdateOffscreen();
    cairo_surface_t* Offscreen() const { return offscreen_.get(); }
    // The shadow image for the current size (see CShadowWnd::Render); null when the shadow is
    // off.
    BkSurfaceRef RenderShadow() const;
    // Brings the shadow in line with the window. The window's own paint, resize and state
    // events do this; an owner that hides the window directly calls it, since the native
    // window reports no hiding.
    void UpdateShadow();
    // The shadow popup; null when the shadow is off or before Load.
    platform::NativeWindow* ShadowWindow() const {
        return shadow_window_ ? &shadow_window_->Native() : nullptr;
    }

    // IBkHost
    void SendNotify(BkNotify& record) override;
    void RedrawRect(const platform::Rect& rect) override;
    IBkControlCreator* ControlCreator() override { return creator_.get(); }
    platform::NativeWindow* NativeWindow() override { return native_.get(); }
    platform::WindowSystem& WindowSystem() override { return system_; }
    void ForgetControl(const CBkWindow* control) override;

protected:
    virtual void OnMouse(const platform::MouseEvent& event);

private:
    struct RegionDeleter {
        void operator()(cairo_region_t* region) const { cairo_region_destroy(region); }
    };

    bool ApplyLayer(const tinyxml2::XMLElement& root);
    std::unique_ptr<CBkDialog> LoadRegion(const tinyxml2::XMLElement& element,
                                          const std::string& pos);
    void LoadRegions(const tinyxml2::XMLElement& root);
    void CreateNativeWindow(platform::NativeWindow* owner);
    void OnPaint(cairo_t* cr);
    void OnResize();
    void OnStateChange(platform::WindowState state);
    void DrawAll(cairo_t* cr);
    void MarkFullRedraw();

    void OnMove(platform::Point at);
    void OnPress(platform::Point at);
    void OnRelease(platform::Point at);
    void OnDoubleClick(platform::Point at);
    void OnLeave();
    void OnWheel(platform::Point at, int delta);
    void OnRightButton(platform::Point at, bool pressed);
    void SetHover(CBkWindow* control);
    void UpdateCursor();
    bool InHeaderDragArea(CBkWindow* control) const;
    std::optional<platform::HitCode> SizingBorderAt(platform::Point at) const;
    void OpenHref(const std::string& href);
    void Send(int code, const CBkWindow* control);
    void ReportToAncestors(CBkWindow& control, BkMouseEventKind event);

    platform::WindowSystem& system_;
    std::unique_ptr<IBkControlCreator> creator_;
    BkShadow shadow_;
    BkLayer layer_;
    std::string error_;
    std::unique_ptr<CBkDialog> header_, body_, footer_;
    std::unique_ptr<platform::NativeWindow> native_;
    platform::NativeWindow* owner_ = nullptr;  // not owned
    // Declared after native_ so that it goes first: it is owned by that window.
    std::unique_ptr<CShadowWnd> shadow_window_;
    std::unique_ptr<BkToolTip> tooltip_;  // likewise

    BkSurfaceRef offscreen_;
    std::unique_ptr<cairo_region_t, RegionDeleter> pending_;
    bool full_redraw_ = true;

    CBkWindow* hover_ = nullptr;    // not owned; cleared by ForgetControl
    CBkWindow* pressed_ = nullptr;  // not owned; cleared by ForgetControl
};

}  // namespace BkWin
