#pragma once

#include "bkwin/BkDialog.h"

namespace BkWin {

// A container of text runs and links; "broadcaststate" hands its hover and pressed state to
// the runs so that the whole text lights up together.
class CBkRichText2Wnd : public CBkDialog {
public:
    std::string_view GetObjectClass() const override { return "richtext2"; }
    bool SetAttribute(std::string_view name, std::string_view value, bool loading) override;
    void OnMouseEnter() override;
    void OnMouseLeave() override;

private:
    void Broadcast(unsigned add, unsigned remove);
    bool broadcast_state_ = false;
    bool check_view_origin_ = false;
};

}  // namespace BkWin
