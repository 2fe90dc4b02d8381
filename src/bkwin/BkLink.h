#pragma once

#include "bkwin/BkWindow.h"

namespace BkWin {

// A text link: the style's hover colour and font show that it can be clicked.
class CBkLink : public CBkWindow {
public:
    std::string_view GetObjectClass() const override { return "link"; }
    bool IsClickable() const override { return true; }
};

}  // namespace BkWin
