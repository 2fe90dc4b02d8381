#include "bkwin/BkPaintLock.h"

namespace BkWin {

std::mutex& BkPaintLock() {
    static std::mutex lock;
    return lock;
}

}  // namespace BkWin
