#pragma once

#include "bkwin/BkDialog.h"

namespace BkWin {

class CBkListWnd;

// One panel of a list window; the list places it along its orientation.
class CBkListItem : public CBkDialog {
public:
    std::string_view GetObjectClass() const override { return "listitem"; }
    bool SetAttribute(std::string_view name, std::string_view value, bool loading) override;
    // Its length along the list: the fixed "height" (or "width" in a horizontal list), else
    // `room` for "full", else what its content asks for.
    int Extent(bool vertical, int room) const;
    // The list it belongs to, or null.
    CBkListWnd* List() const;
    bool ViewVisible() const { return view_visible_; }

private:
    bool view_visible_ = false;
};

}  // namespace BkWin
