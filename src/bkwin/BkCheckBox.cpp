#include "bkwin/BkCheckBox.h"

#include <algorithm>

#include "bkwin/BkImagePaint.h"
#include "bkwin/BkSkin.h"
#include "platform/Text.h"

namespace BkWin {

bool CBkCheckBox::SetMarkAttribute(std::string_view name, std::string_view value,
                                   std::string_view width_name, std::string_view height_name) {
    const int number = platform::ParseIntLikeWtoi(value);
    if (name == width_name) {
        mark_width_ = std::max(0, number);
        if (height_name.empty())
            mark_height_ = mark_width_;
    } else if (!height_name.empty() && name == height_name) {
        mark_height_ = std::max(0, number);
    } else {
        return false;
    }
    return true;
}

bool CBkCheckBox::SetAttribute(std::string_view name, std::string_view value, bool loading) {
    const int number = platform::ParseIntLikeWtoi(value);
    if (name == "check")
        SetCheck(number != 0);
    else if (name == "skin")
        skin_ = value;
    else if (name == "skin_check")
        skin_check_ = value;
    else if (name == "text_spacing")
        text_spacing_ = number;
    else if (name == "unique_id")
        unique_id_ = number;
    else if (!SetMarkAttribute(name, value, "checkbox_size", "checkbox_sizeH"))
        return CBkWindow::SetAttribute(name, value, loading);
    if (!loading)
        Redraw();
    return true;
}

platform::Size CBkCheckBox::MarkSize() const {
    return {ScaleValue(mark_width_), ScaleValue(mark_height_)};
}

platform::Size CBkCheckBox::GetContentSize() const {
    const platform::Size mark = MarkSize();
    if (GetText().empty())
        return mark;
    const platform::Size text = CBkWindow::GetContentSize();
    return {mark.width + ScaleValue(text_spacing_) + text.width,
            std::max(mark.height, text.height)};
}

void CBkCheckBox::OnLButtonUp(platform::Point at) {
    if (GetRect().Contains(at))
        SetCheck(!IsChecked());
}

void CBkCheckBox::DrawMark(cairo_t* cr, const platform::Rect& box) const {
    cairo_save(cr);
    cairo_set_line_width(cr, 1);
    cairo_set_source_rgb(cr, 0.55, 0.55, 0.55);
    cairo_rectangle(cr, box.left + 0.5, box.top + 0.5, box.Width() - 1, box.Height() - 1);
    cairo_stroke(cr);
    if (IsChecked()) {
        cairo_set_source_rgb(cr, 0.16, 0.45, 0.93);
        cairo_set_line_width(cr, 2);
        cairo_move_to(cr, box.left + box.Width() * 0.22, box.top + box.Height() * 0.52);
        cairo_line_to(cr, box.left + box.Width() * 0.42, box.top + box.Height() * 0.72);
        cairo_line_to(cr, box.left + box.Width() * 0.78, box.top + box.Height() * 0.3);
        cairo_stroke(cr);
    }
    cairo_restore(cr);
}

void CBkCheckBox::DrawContent(cairo_t* cr) {
    const platform::Rect& rect = GetRect();
    const platform::Size mark = MarkSize();
    const platform::Rect box =
        platform::Rect::At({rect.left, rect.top + (rect.Height() - mark.height) / 2}, mark);
    const CBkSkinBase* skin = BkSkin::GetSkin(IsChecked() ? skin_check_ : skin_);
    if (skin)
        skin->Draw(cr, box, ButtonStateIndex(GetState()), IsDpiAware());
    else
        DrawMark(cr, box);
    if (GetText().empty())
        return;
    platform::Rect text = rect;
    text.left = box.right + ScaleValue(text_spacing_);
    DrawTextIn(cr, GetText(), text);
}

}  // namespace BkWin
