#include "bkwin/BkSliderViewEx.h"

#include <algorithm>

#include "bkwin/BkNotify.h"
#include "platform/Text.h"

namespace BkWin {

bool CBkSliderViewEx::SetAttribute(std::string_view name, std::string_view value, bool loading) {
    const int number = platform::ParseIntLikeWtoi(value);
    if (name == "current_value")
        value_ = number;
    else if (name == "max_value")
        max_value_ = std::max(0, number);
    else if (name == "step_value")
        step_ = std::max(1, number);
    else if (name == "enable_mousewhell")
        wheel_ = number != 0;
    else
        return CBkDialog::SetAttribute(name, value, loading);
    value_ = std::clamp(value_, 0, max_value_);
    if (!loading)
        Redraw();
    return true;
}

void CBkSliderViewEx::SetValue(int value) {
    value = std::clamp(value, 0, max_value_);
    if (value == value_)
        return;
    value_ = value;
    Redraw();
}

int CBkSliderViewEx::ValueAt(platform::Point at) const {
    const platform::Rect& rect = GetRect();
    if (rect.Width() <= 0)
        return value_;
    const long long offset = std::clamp(at.x - rect.left, 0, rect.Width());
    return static_cast<int>((offset * max_value_ + rect.Width() / 2) / rect.Width());
}

void CBkSliderViewEx::Propose(int value) {
    value = std::clamp(value, 0, max_value_);
    if (value == value_)
        return;
    BkNotify record;
    record.code = kNotifySliderChanging;
    record.id = GetId();
    record.new_value = value;
    record.old_value = value_;
    Notify(record);
    if (record.refuse == 0)
        SetValue(value);
}

void CBkSliderViewEx::OnLButtonDown(platform::Point at) {
    dragging_ = true;
    Propose(ValueAt(at));
}

void CBkSliderViewEx::OnMouseMove(platform::Point at) {
    if (dragging_)
        Propose(ValueAt(at));
}

void CBkSliderViewEx::OnLButtonUp(platform::Point) {
    if (!dragging_)
        return;
    dragging_ = false;
    BkNotify record;
    record.code = kNotifySliderReleased;
    record.id = GetId();
    record.new_value = value_;
    record.old_value = value_;
    Notify(record);
}

bool CBkSliderViewEx::OnMouseWheel(platform::Point, int delta) {
    if (!wheel_)
        return false;
    Propose(value_ + (delta > 0 ? step_ : -step_));
    return true;
}

void CBkSliderViewEx::DrawContent(cairo_t* cr) {
    if (!Children().empty())
        return;
    const platform::Rect& rect = GetRect();
    const double middle = rect.top + rect.Height() / 2.0;
    const double x =
        rect.left + (max_value_ > 0 ? static_cast<double>(rect.Width()) * value_ / max_value_ : 0);
    cairo_save(cr);
    cairo_set_line_width(cr, 2);
    cairo_set_source_rgb(cr, 0.8, 0.8, 0.8);
    cairo_move_to(cr, rect.left, middle);
    cairo_line_to(cr, rect.right, middle);
    cairo_stroke(cr);
    cairo_set_source_rgb(cr, 0.16, 0.45, 0.93);
    cairo_move_to(cr, rect.left, middle);
    cairo_line_to(cr, x, middle);
    cairo_stroke(cr);
    cairo_arc(cr, x, middle, std::min(rect.Height() / 2.0, 6.0), 0, 6.2832);
    cairo_fill(cr);
    cairo_restore(cr);
}

}  // namespace BkWin
