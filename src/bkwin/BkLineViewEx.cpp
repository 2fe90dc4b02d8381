#include "bkwin/BkLineViewEx.h"

#include "platform/Text.h"

namespace BkWin {
namespace {

// The Windows dash-style numbers: 1 dash, 2 dot, 3 dash-dot, 4 dash-dot-dot; others solid.
std::vector<double> DashesFor(int style) {
    switch (style) {
        case 1:
            return {6, 3};
        case 2:
            return {1, 2};
        case 3:
            return {6, 2, 1, 2};
        case 4:
            return {6, 2, 1, 2, 1, 2};
        default:
            return {};
    }
}

// Cap numbers: 2 round, 1 square, otherwise flat. Cairo has one cap for both ends: the
// rounder of the two is used.
cairo_line_cap_t CapFor(int cap) {
    return cap == 2 ? CAIRO_LINE_CAP_ROUND : cap == 1 ? CAIRO_LINE_CAP_SQUARE : CAIRO_LINE_CAP_BUTT;
}

}  // namespace

bool CBkLineViewEx::SetAttribute(std::string_view name, std::string_view value, bool loading) {
    const int number = platform::ParseIntLikeWtoi(value);
    if (name == "dashstyle")
        dashes_ = DashesFor(number);
    else if (name == "linecolor")
        colour_ = ParseColour(value);
    else if (name == "hover_linecolor")
        hover_colour_ = ParseColour(value);
    else if (name == "push_linecolor")
        push_colour_ = ParseColour(value);
    else if (name == "vertical")
        vertical_ = number != 0;
    else if (name == "startcap" || name == "endcap") {
        if (CapFor(number) != CAIRO_LINE_CAP_BUTT)
            cap_ = CapFor(number);
    } else
        return CBkWindow::SetAttribute(name, value, loading);
    if (!loading)
        Redraw();
    return true;
}

void CBkLineViewEx::DrawContent(cairo_t* cr) {
    std::optional<Colour> colour = colour_;
    if (HasState(kStatePushed) && push_colour_)
        colour = push_colour_;
    else if (HasState(kStateHover) && hover_colour_)
        colour = hover_colour_;
    const Colour c = colour.value_or(Colour{});
    const platform::Rect& rect = GetRect();
    const double width = vertical_ ? rect.Width() : rect.Height();
    cairo_save(cr);
    cairo_set_source_rgb(cr, c.red / 255.0, c.green / 255.0, c.blue / 255.0);
    cairo_set_line_width(cr, width);
    cairo_set_line_cap(cr, cap_);
    cairo_set_dash(cr, dashes_.data(), static_cast<int>(dashes_.size()), 0);
    if (vertical_) {
        cairo_move_to(cr, rect.left + width / 2, rect.top);
        cairo_line_to(cr, rect.left + width / 2, rect.bottom);
    } else {
        cairo_move_to(cr, rect.left, rect.top + width / 2);
        cairo_line_to(cr, rect.right, rect.top + width / 2);
    }
    cairo_stroke(cr);
    cairo_restore(cr);
}

}  // namespace BkWin
