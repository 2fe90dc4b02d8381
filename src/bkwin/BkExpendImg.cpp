#include "bkwin/BkExpendImg.h"

#include "bkwin/BkSkin.h"
#include "platform/Text.h"

namespace BkWin {

bool CBkExpendImg::SetAttribute(std::string_view name, std::string_view value, bool loading) {
    const int number = platform::ParseIntLikeWtoi(value);
    if (name == "skin")
        skin_ = value;
    else if (name == "skinalpha")
        alpha_ = number;
    else if (name == "margin_left")
        margin_left_ = number;
    else if (name == "margin_right")
        margin_right_ = number;
    else if (name == "margin_top")
        margin_top_ = number;
    else if (name == "margin_bottom")
        margin_bottom_ = number;
    else if (name == "stretch")
        stretch_ = number != 0;
    else
        return CBkWindow::SetAttribute(name, value, loading);
    if (!loading)
        Redraw();
    return true;
}

platform::Size CBkExpendImg::GetContentSize() const {
    if (const CBkSkinBase* skin = BkSkin::GetSkin(skin_)) {
        const platform::Size size = skin->GetSkinSize();
        return {ScaleValue(size.width), ScaleValue(size.height)};
    }
    return CBkWindow::GetContentSize();
}

void CBkExpendImg::DrawContent(cairo_t* cr) {
    if (const CBkSkinBase* skin = BkSkin::GetSkin(skin_)) {
        const platform::Rect rect =
            stretch_ ? GetRect() : platform::Rect::At(GetRect().TopLeft(), GetContentSize());
        skin->Draw(cr, rect, 0, IsDpiAware(), alpha_);
    }
    CBkWindow::DrawContent(cr);
}

}  // namespace BkWin
