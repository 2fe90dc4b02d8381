#pragma once

#include "bkwin/BkDialog.h"

namespace BkWin {

// A panel that acts as one button: the mouse sees the panel, never its children.
class CBkDialogButton : public CBkDialog {
public:
    std::string_view GetObjectClass() const override { return "dlgbtn"; }
    bool IsClickable() const override { return true; }
    CBkWindow* HitTest(platform::Point point) override { return CBkWindow::HitTest(point); }
};

}  // namespace BkWin
