#include "bkwin/BkLine.h"

#include <algorithm>

#include "platform/Text.h"

namespace BkWin {
namespace {

std::vector<double> DashesFor(std::string_view style) {
    if (style == "dash")
        return {6, 3};
    if (style == "dot")
        return {1, 2};
    if (style == "dashdot")
        return {6, 2, 1, 2};
    if (style == "dashdotdot")
        return {6, 2, 1, 2, 1, 2};
    return {};
}

}  // namespace

bool CBkLine::SetAttribute(std::string_view name, std::string_view value, bool loading) {
    if (name == "size")
        size_ = std::max(1, platform::ParseIntLikeWtoi(value));
    else if (name == "style")
        dashes_ = DashesFor(value);
    else
        return CBkWindow::SetAttribute(name, value, loading);
    if (!loading)
        Redraw();
    return true;
}

void CBkLine::DrawContent(cairo_t* cr) {
    const platform::Rect& rect = GetRect();
    const Colour colour = BackgroundColour().value_or(Colour{});
    cairo_save(cr);
    cairo_set_source_rgb(cr, colour.red / 255.0, colour.green / 255.0, colour.blue / 255.0);
    const double width = ScaleValue(size_);
    cairo_set_line_width(cr, width);
    cairo_set_dash(cr, dashes_.data(), static_cast<int>(dashes_.size()), 0);
    if (rect.Width() >= rect.Height()) {
        cairo_move_to(cr, rect.left, rect.top + width / 2);
        cairo_line_to(cr, rect.right, rect.top + width / 2);
    } else {
        cairo_move_to(cr, rect.left + width / 2, rect.top);
        cairo_line_to(cr, rect.left + width / 2, rect.bottom);
    }
    cairo_stroke(cr);
    cairo_restore(cr);
}

}  // namespace BkWin
