#include "bkwin/BkRadioBox.h"

#include <algorithm>
#include <numbers>

#include "bkwin/BkRadioGroups.h"

namespace BkWin {

CBkRadioBox::~CBkRadioBox() {
    if (!group_.empty())
        BkRadioGroups::Unregister(group_, this);
}

bool CBkRadioBox::SetAttribute(std::string_view name, std::string_view value, bool loading) {
    if (name == "group") {
        if (!group_.empty())
            BkRadioGroups::Unregister(group_, this);
        group_ = value;
        if (!group_.empty())
            BkRadioGroups::Register(group_, this);
        return true;
    }
    if (SetMarkAttribute(name, value, "radiobox_size", ""))
        return true;
    if (name == "checkbox_size" || name == "checkbox_sizeH" || name == "unique_id")
        return false;
    return CBkCheckBox::SetAttribute(name, value, loading);
}

void CBkRadioBox::Select() {
    if (group_.empty())
        SetCheck(true);
    else
        BkRadioGroups::Select(group_, this);
}

void CBkRadioBox::OnLButtonUp(platform::Point at) {
    if (GetRect().Contains(at))
        Select();
}

void CBkRadioBox::DrawMark(cairo_t* cr, const platform::Rect& box) const {
    const double radius = std::min(box.Width(), box.Height()) / 2.0;
    const double cx = box.left + box.Width() / 2.0;
    const double cy = box.top + box.Height() / 2.0;
    cairo_save(cr);
    cairo_set_line_width(cr, 1);
    cairo_set_source_rgb(cr, 0.55, 0.55, 0.55);
    cairo_arc(cr, cx, cy, radius - 0.5, 0, 2 * std::numbers::pi);
    cairo_stroke(cr);
    if (IsChecked()) {
        cairo_set_source_rgb(cr, 0.16, 0.45, 0.93);
        cairo_arc(cr, cx, cy, radius / 2, 0, 2 * std::numbers::pi);
        cairo_fill(cr);
    }
    cairo_restore(cr);
}

}  // namespace BkWin
