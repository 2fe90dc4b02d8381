#include "bkwin/BkImageBtnWnd.h"

#include "bkwin/BkImagePaint.h"

namespace BkWin {

int CBkImageBtnWnd::PieceIndex() const {
    return CBkImageWnd::PieceIndex() + ButtonStateIndex(GetState());
}

}  // namespace BkWin
