#pragma once

#include "bkwin/BkWindow.h"

namespace BkWin {

// A push button with text; its look is the style's skin or colours.
class CBkButton : public CBkWindow {
public:
    std::string_view GetObjectClass() const override { return "button"; }
    bool IsClickable() const override { return true; }
};

}  // namespace BkWin
