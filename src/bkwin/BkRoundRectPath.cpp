#include "bkwin/BkRoundRectPath.h"

#include <algorithm>
#include <numbers>

#include "platform/Text.h"

namespace BkWin {

bool CBkRoundRectPath::SetAttribute(std::string_view name, std::string_view value, bool loading) {
    const int number = platform::ParseIntLikeWtoi(value);
    if (name == "bdrawbg")
        draw_background_ = number != 0;
    else if (name == "crline")
        line_colour_ = ParseColour(value);
    else if (name == "crlinealpha")
        line_alpha_ = std::clamp(number, 0, 255);
    else if (name == "linesize")
        line_size_ = std::max(0, number);
    else if (name == "rndwidht")
        radius_x_ = std::max(0, number);
    else if (name == "rndheight")
        radius_y_ = std::max(0, number);
    else
        return CBkWindow::SetAttribute(name, value, loading);
    if (!loading)
        Redraw();
    return true;
}

void CBkRoundRectPath::TracePath(cairo_t* cr) const {
    const platform::Rect& rect = GetRect();
    const double inset = line_size_ / 2.0;
    const double x = rect.left + inset, y = rect.top + inset;
    const double w = rect.Width() - 2 * inset, h = rect.Height() - 2 * inset;
    const double rx = std::min<double>(ScaleValue(radius_x_), w / 2);
    const double ry = std::min<double>(ScaleValue(radius_y_), h / 2);
    cairo_new_path(cr);
    if (rx <= 0 || ry <= 0) {
        cairo_rectangle(cr, x, y, w, h);
        return;
    }
    constexpr double kPi = std::numbers::pi;
    const auto corner = [&](double cx, double cy, double from) {
        cairo_save(cr);
        cairo_translate(cr, cx, cy);
        cairo_scale(cr, rx, ry);
        cairo_arc(cr, 0, 0, 1, from, from + kPi / 2);
        cairo_restore(cr);
    };
    corner(x + w - rx, y + ry, -kPi / 2);
    corner(x + w - rx, y + h - ry, 0);
    corner(x + rx, y + h - ry, kPi / 2);
    corner(x + rx, y + ry, kPi);
    cairo_close_path(cr);
}

void CBkRoundRectPath::DrawBackground(cairo_t* cr) {
    const std::optional<Colour> fill = BackgroundColour();
    if (!draw_background_ || !fill)
        return;
    TracePath(cr);
    cairo_set_source_rgb(cr, fill->red / 255.0, fill->green / 255.0, fill->blue / 255.0);
    cairo_fill(cr);
}

void CBkRoundRectPath::DrawContent(cairo_t* cr) {
    if (line_size_ > 0 && line_colour_) {
        TracePath(cr);
        cairo_set_source_rgba(cr, line_colour_->red / 255.0, line_colour_->green / 255.0,
                              line_colour_->blue / 255.0, line_alpha_ / 255.0);
        cairo_set_line_width(cr, line_size_);
        cairo_stroke(cr);
    }
    CBkWindow::DrawContent(cr);
}

}  // namespace BkWin
