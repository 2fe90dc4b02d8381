#include "bkwin/BkImageWnd.h"

#include "bkwin/BkSkin.h"
#include "platform/Text.h"

namespace BkWin {

bool CBkImageWnd::SetAttribute(std::string_view name, std::string_view value, bool loading) {
    const int number = platform::ParseIntLikeWtoi(value);
    if (name == "skin")
        skin_ = value;
    else if (name == "sub")
        sub_ = number;
    else if (name == "alpha")
        alpha_ = number;
    else if (name == "use_pos_size")
        use_pos_size_ = number != 0;
    else if (name == "ico")
        icon_skin_ = value;
    else if (name == "ico_top")
        icon_top_ = number;
    else if (name == "caption")
        caption_ = value;
    else if (name == "caption_top")
        caption_top_ = number;
    else if (name == "group")
        group_ = value;
    else if (name == "mask")
        mask_ = value;
    else if (name == "cliptype")
        clip_type_ = number;
    else if (name == "clipparam")
        clip_param_ = number;
    else
        return CBkWindow::SetAttribute(name, value, loading);
    if (!loading)
        Redraw();
    return true;
}

const CBkSkinBase* CBkImageWnd::Skin() const {
    return BkSkin::GetSkin(skin_);
}

platform::Size CBkImageWnd::GetContentSize() const {
    if (const CBkSkinBase* skin = Skin()) {
        const platform::Size size = skin->GetSkinSize();
        return {ScaleValue(size.width), ScaleValue(size.height)};
    }
    return CBkWindow::GetContentSize();
}

void CBkImageWnd::SetSkin(std::string_view skin) {
    skin_ = skin;
    Redraw();
}

void CBkImageWnd::SetSub(int sub) {
    sub_ = sub;
    Redraw();
}

void CBkImageWnd::DrawContent(cairo_t* cr) {
    if (const CBkSkinBase* skin = Skin()) {
        platform::Rect rect = GetRect();
        // Without "use_pos_size" the image keeps its own size at the control's corner.
        if (!use_pos_size_)
            rect = platform::Rect::At(rect.TopLeft(), GetContentSize()).Intersect(GetRect());
        skin->Draw(cr, rect, PieceIndex(), IsDpiAware(), alpha_);
    }
    CBkWindow::DrawContent(cr);
}

}  // namespace BkWin
