#pragma once

#include <string>

#include "bkwin/BkWindow.h"

namespace BkWin {

// A skin stretched over the whole control with an alpha value; the skin's own margins keep
// its borders unstretched.
class CBkExpendImg : public CBkWindow {
public:
    std::string_view GetObjectClass() const override { return "expendimg"; }
    bool SetAttribute(std::string_view name, std::string_view value, bool loading) override;
    platform::Size GetContentSize() const override;

protected:
    void DrawContent(cairo_t* cr) override;

private:
    std::string skin_;
    int alpha_ = 255;
    // Kept for the owner: the skin resource carries the margins it is drawn with.
    int margin_left_ = 0, margin_right_ = 0, margin_top_ = 0, margin_bottom_ = 0;
    bool stretch_ = true;
};

}  // namespace BkWin
