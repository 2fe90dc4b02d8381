#include "bkwin/BkRichText2Wnd.h"

#include "platform/Text.h"

namespace BkWin {

bool CBkRichText2Wnd::SetAttribute(std::string_view name, std::string_view value, bool loading) {
    const bool on = platform::ParseIntLikeWtoi(value) != 0;
    if (name == "broadcaststate")
        broadcast_state_ = on;
    else if (name == "checkdcvieworg")
        check_view_origin_ = on;
    else
        return CBkDialog::SetAttribute(name, value, loading);
    return true;
}

void CBkRichText2Wnd::Broadcast(unsigned add, unsigned remove) {
    if (!broadcast_state_)
        return;
    for (const auto& child : Children())
        child->ModifyState(add, remove);
}

void CBkRichText2Wnd::OnMouseEnter() {
    CBkDialog::OnMouseEnter();
    Broadcast(kStateHover, 0);
}

void CBkRichText2Wnd::OnMouseLeave() {
    CBkDialog::OnMouseLeave();
    Broadcast(0, kStateHover | kStatePushed);
}

}  // namespace BkWin
