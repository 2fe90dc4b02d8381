#include "bkwin/BkRealWnd.h"

#include "bkwin/BkNotify.h"

namespace BkWin {

CBkRealWnd::~CBkRealWnd() {
    if (edit_)
        edit_->SetVisible(false);
}

void CBkRealWnd::AttachEdit(std::unique_ptr<platform::NativeEdit> edit) {
    edit_ = std::move(edit);
    if (!edit_)
        return;
    edit_->SetRect(GetRect());
    edit_->SetVisible(IsPlaced() && IsShown());
}

void CBkRealWnd::OnPlaced() {
    if (!edit_)
        return;
    edit_->SetRect(GetRect());
    edit_->SetVisible(IsShown());
    BkNotify record;
    record.code = kNotifyRealWndMoved;
    record.id = GetId();
    record.rect = GetRect();
    Notify(record);
}

void CBkRealWnd::OnShownChanged() {
    if (edit_)
        edit_->SetVisible(IsPlaced() && IsShown());
}

}  // namespace BkWin
