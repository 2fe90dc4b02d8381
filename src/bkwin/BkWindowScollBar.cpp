#include "bkwin/BkWindowScollBar.h"

#include <algorithm>
#include <numbers>

#include "platform/Text.h"

namespace BkWin {

bool CBkWindowScollBar::SetAttribute(std::string_view name, std::string_view value, bool loading) {
    const int number = platform::ParseIntLikeWtoi(value);
    if (name == "color_bar")
        bar_colour_ = ParseColour(value);
    else if (name == "color_bar_hv")
        bar_hover_colour_ = ParseColour(value);
    else if (name == "color_bar_border")
        border_colour_ = ParseColour(value);
    else if (name == "rectanglebar")
        rectangle_bar_ = number != 0;
    else if (name == "barwidth")
        bar_width_ = std::max(1, number);
    else if (name == "barheight")
        min_thumb_ = std::max(1, number);
    else if (name == "permanent_hide")
        permanent_hide_ = number != 0;
    else
        return CBkWindow::SetAttribute(name, value, loading);
    return true;
}

void CBkWindowScollBar::SetMetrics(int position, int range, int page) {
    if (position == position_ && range == range_ && page == page_)
        return;
    position_ = position;
    range_ = std::max(range, 0);
    page_ = std::max(page, 0);
    Redraw();
}

int CBkWindowScollBar::TrackLength() const {
    return vertical_ ? GetRect().Height() : GetRect().Width();
}

int CBkWindowScollBar::ThumbLength() const {
    const int track = TrackLength();
    if (range_ + page_ <= 0)
        return track;
    const long long share = static_cast<long long>(track) * page_ / (range_ + page_);
    return std::clamp(static_cast<int>(share), std::min(ScaleValue(min_thumb_), track), track);
}

platform::Rect CBkWindowScollBar::ThumbRect() const {
    const int free = TrackLength() - ThumbLength();
    const int offset =
        range_ > 0 ? static_cast<int>(static_cast<long long>(free) * position_ / range_) : 0;
    const platform::Rect& rect = GetRect();
    if (vertical_)
        return {rect.left, rect.top + offset, rect.right, rect.top + offset + ThumbLength()};
    return {rect.left + offset, rect.top, rect.left + offset + ThumbLength(), rect.bottom};
}

int CBkWindowScollBar::PositionForDrag(int start_position, int pixels) const {
    const int free = TrackLength() - ThumbLength();
    if (free <= 0)
        return start_position;
    return start_position + static_cast<int>(static_cast<long long>(pixels) * range_ / free);
}

void CBkWindowScollBar::DrawContent(cairo_t* cr) {
    if (range_ <= 0)
        return;
    const platform::Rect thumb = ThumbRect();
    const Colour colour =
        (HasState(kStateHover) && bar_hover_colour_ ? bar_hover_colour_ : bar_colour_)
            .value_or(Colour{0xc8, 0xc8, 0xc8});
    cairo_save(cr);
    cairo_set_source_rgb(cr, colour.red / 255.0, colour.green / 255.0, colour.blue / 255.0);
    const double radius = rectangle_bar_ ? 0 : std::min(thumb.Width(), thumb.Height()) / 2.0;
    const double x = thumb.left, y = thumb.top, w = thumb.Width(), h = thumb.Height();
    cairo_new_sub_path(cr);
    cairo_arc(cr, x + w - radius, y + radius, radius, -std::numbers::pi / 2, 0);
    cairo_arc(cr, x + w - radius, y + h - radius, radius, 0, std::numbers::pi / 2);
    cairo_arc(cr, x + radius, y + h - radius, radius, std::numbers::pi / 2, std::numbers::pi);
    cairo_arc(cr, x + radius, y + radius, radius, std::numbers::pi, 3 * std::numbers::pi / 2);
    cairo_close_path(cr);
    cairo_fill_preserve(cr);
    if (border_colour_) {
        cairo_set_source_rgb(cr, border_colour_->red / 255.0, border_colour_->green / 255.0,
                             border_colour_->blue / 255.0);
        cairo_set_line_width(cr, 1);
        cairo_stroke(cr);
    }
    cairo_new_path(cr);
    cairo_restore(cr);
}

}  // namespace BkWin
