#pragma once

#include "bkwin/BkWindow.h"

namespace BkWin {

// A text label.
class CBkStatic : public CBkWindow {
public:
    std::string_view GetObjectClass() const override { return "text"; }
};

}  // namespace BkWin
