#pragma once

#include <optional>
#include <vector>

#include "bkwin/BkWindow.h"

namespace BkWin {

// A line across the control (vertical or horizontal) with caps and a colour per state.
class CBkLineViewEx : public CBkWindow {
public:
    std::string_view GetObjectClass() const override { return "lineviewex"; }
    bool SetAttribute(std::string_view name, std::string_view value, bool loading) override;

protected:
    void DrawBackground(cairo_t*) override {}
    void DrawContent(cairo_t* cr) override;

private:
    std::vector<double> dashes_;
    std::optional<Colour> colour_, hover_colour_, push_colour_;
    bool vertical_ = false;
    cairo_line_cap_t cap_ = CAIRO_LINE_CAP_BUTT;
};

}  // namespace BkWin
