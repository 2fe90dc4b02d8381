#pragma once

#include <string>

#include "bkwin/BkDialog.h"

namespace BkWin {

// A panel whose children scroll vertically inside it with the wheel.
class CBkScrollWindow : public CBkDialog {
public:
    std::string_view GetObjectClass() const override { return "scrollwnd"; }
    bool SetAttribute(std::string_view name, std::string_view value, bool loading) override;
    int ScrollPosition() const { return position_; }
    int ScrollRange() const { return range_; }
    void ScrollTo(int position);
    bool OnMouseWheel(platform::Point at, int delta) override;
    void Draw(cairo_t* cr) override;

protected:
    void OnPlaced() override;

private:
    std::string scroll_class_;
    bool extern_line_ = true;
    int wheel_move_ = 0;
    int position_ = 0;
    int range_ = 0;
};

}  // namespace BkWin
