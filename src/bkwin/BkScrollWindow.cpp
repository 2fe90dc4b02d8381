#include "bkwin/BkScrollWindow.h"

#include <algorithm>
#include <cstdlib>

#include "bkwin/BkListWnd.h"
#include "platform/Text.h"

namespace BkWin {

bool CBkScrollWindow::SetAttribute(std::string_view name, std::string_view value, bool loading) {
    const int number = platform::ParseIntLikeWtoi(value);
    if (name == "scrollclass")
        scroll_class_ = value;
    else if (name == "externline")
        extern_line_ = number != 0;
    else if (name == "wheelmove")
        wheel_move_ = std::max(0, number);
    else
        return CBkDialog::SetAttribute(name, value, loading);
    return true;
}

void CBkScrollWindow::OnPlaced() {
    const platform::Rect inner = InnerRect();
    int bottom = inner.top;
    for (const auto& child : Children()) {
        child->RepositionIn(inner);
        if (child->IsVisible() && child->IsPlaced())
            bottom = std::max(bottom, child->GetRect().bottom);
    }
    range_ = std::max(0, bottom - inner.bottom);
    position_ = std::clamp(position_, 0, range_);
    if (position_ == 0)
        return;
    for (const auto& child : Children())
        child->RepositionIn(inner.Offset(0, -position_));
}

void CBkScrollWindow::ScrollTo(int position) {
    position = std::clamp(position, 0, range_);
    if (position == position_)
        return;
    position_ = position;
    OnPlaced();
    Redraw();
}

bool CBkScrollWindow::OnMouseWheel(platform::Point, int delta) {
    if (range_ == 0)
        return false;
    const int distance =
        wheel_move_ != 0 ? wheel_move_ : std::abs(delta) / 120 * CBkListWnd::kPixelsPerNotch;
    ScrollTo(delta > 0 ? position_ - distance : position_ + distance);
    return true;
}

void CBkScrollWindow::Draw(cairo_t* cr) {
    const platform::Rect& rect = GetRect();
    cairo_save(cr);
    cairo_rectangle(cr, rect.left, rect.top, rect.Width(), rect.Height());
    cairo_clip(cr);
    CBkDialog::Draw(cr);
    cairo_restore(cr);
}

}  // namespace BkWin
