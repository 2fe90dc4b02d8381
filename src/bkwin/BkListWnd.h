#pragma once

#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "bkwin/BkListItem.h"
#include "bkwin/BkWindow.h"
#include "bkwin/BkWindowScollBar.h"

namespace BkWin {

// A scrolling list of item panels laid out along its orientation. Mouse events of the items
// and of the controls inside them reach the owner as notification 14 records.
class CBkListWnd : public CBkWindow {
public:
    // Pixels one wheel notch moves when "wheelmove" is 0.
    static constexpr int kPixelsPerNotch = 65;

    CBkListWnd();
    ~CBkListWnd() override;
    std::string_view GetObjectClass() const override { return "listwnd"; }
    bool IsClickable() const override { return true; }
    bool Load(const tinyxml2::XMLElement& element) override;
    bool SetAttribute(std::string_view name, std::string_view value, bool loading) override;

    // Scroll callback: asked before a wheel scroll (true leaves it to the owner), told after.
    std::function<bool(int list_id, int position)> on_scroll_request;
    std::function<bool(int list_id, int wheel_delta, int position)> on_wheel_request;
    std::function<void(int list_id, int content_top)> on_scrolled;

    CBkListItem* AddItem(std::unique_ptr<CBkListItem> item);
    // Adds an item loaded from a panel template ("dlg" root); null when it is not one.
    CBkListItem* AddItemFromTemplate(std::string_view xml);
    void RemoveItem(std::size_t index);
    void ClearItems();
    std::size_t ItemCount() const { return items_.size(); }
    CBkListItem* Item(std::size_t index) const;
    // -1 when `control` is not one of the items.
    int IndexOf(const CBkWindow* control) const;

    int ScrollPosition() const { return position_; }
    int ScrollRange() const { return range_; }
    bool IsScrollBarShown() const;
    void ScrollTo(int position);
    void ScrollBy(int delta) { ScrollTo(position_ + delta); }
    void EnsureVisible(std::size_t index);
    // Puts the items into the order of `ids`; false, changing nothing, unless the ids name
    // each item exactly once.
    bool Reorder(const std::vector<int>& ids);
    CBkWindowScollBar& ScrollBar() { return *scroll_bar_; }

    CBkWindow* HitTest(platform::Point point) override;
    CBkWindow* FindById(int id) override;
    void Draw(cairo_t* cr) override;

    void OnMouseEnter() override;
    void OnMouseLeave() override;
    void OnMouseMove(platform::Point at) override;
    void OnLButtonDown(platform::Point at) override;
    void OnLButtonUp(platform::Point at) override;
    void OnRButtonDown(platform::Point at) override;
    void OnRButtonUp(platform::Point at) override;
    void OnDoubleClick(platform::Point at) override;
    bool OnMouseWheel(platform::Point at, int delta) override;

protected:
    void OnPlaced() override;

private:
    // What the mouse is over: the part (an item or the scroll bar) and the control inside.
    struct Target {
        CBkWindow* part = nullptr;
        CBkWindow* inner = nullptr;
        friend bool operator==(const Target&, const Target&) = default;
    };
    Target TargetAt(platform::Point at);
    void Layout();
    bool Vertical() const { return layout_ != 1; }
    void SendListRecord(int kind, const CBkWindow* part);
    void SendItemRecord(int kind, const Target& target);
    void SetHoverTarget(const Target& target);
    void ForgetTargets();

    std::vector<std::unique_ptr<CBkListItem>> items_;
    std::unique_ptr<CBkWindowScollBar> scroll_bar_;
    std::string scroll_class_ = "listscrollbar";
    bool extern_line_ = true;
    bool show_scroll_bar_ = true;
    bool wheel_scroll_ = true;
    bool drag_scroll_ = false;
    int wheel_move_ = 0;
    int layout_ = 0;

    int position_ = 0;
    int range_ = 0;
    Target hover_, pressed_, right_pressed_;
    // A left-button drag of the thumb or of the content: where it started.
    bool dragging_ = false;
    bool dragging_thumb_ = false;
    platform::Point drag_start_;
    int drag_start_position_ = 0;
};

}  // namespace BkWin
