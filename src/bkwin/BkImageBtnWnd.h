#pragma once

#include "bkwin/BkImageWnd.h"

namespace BkWin {

// An image button: the skin strip holds normal, hovered, pressed and disabled pieces.
class CBkImageBtnWnd : public CBkImageWnd {
public:
    std::string_view GetObjectClass() const override { return "imgbtn"; }
    bool IsClickable() const override { return true; }

protected:
    int PieceIndex() const override;
};

}  // namespace BkWin
