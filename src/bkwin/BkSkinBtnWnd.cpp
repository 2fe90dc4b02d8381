#include "bkwin/BkSkinBtnWnd.h"

#include "bkwin/BkImagePaint.h"
#include "bkwin/BkSkin.h"

namespace BkWin {

bool CBkSkinBtnWnd::SetAttribute(std::string_view name, std::string_view value, bool loading) {
    if (name != "skin")
        return CBkWindow::SetAttribute(name, value, loading);
    skin_ = value;
    if (!loading)
        Redraw();
    return true;
}

platform::Size CBkSkinBtnWnd::GetContentSize() const {
    if (const CBkSkinBase* skin = BkSkin::GetSkin(skin_)) {
        const platform::Size size = skin->GetSkinSize();
        return {ScaleValue(size.width), ScaleValue(size.height)};
    }
    return CBkWindow::GetContentSize();
}

void CBkSkinBtnWnd::DrawBackground(cairo_t* cr) {
    const CBkSkinBase* skin = BkSkin::GetSkin(skin_);
    if (!skin) {
        CBkWindow::DrawBackground(cr);
        return;
    }
    skin->Draw(cr, GetRect(), ButtonStateIndex(GetState()), IsDpiAware());
}

}  // namespace BkWin
