#pragma once

#include <string>

namespace BkWin {

// The attributes of a window layout's "layer" root.
struct BkLayer {
    std::string title;
    int width = 0;  // client size, already scaled when DPI-aware
    int height = 0;
    bool dpi_aware = false;
    int min_width = 0;
    int min_height = 0;
    bool appwin = false;
    bool layered = false;
    bool child = false;
    bool hold_size = false;
    bool resize = false;
    bool no_border = false;
    bool no_move = false;
    std::string frame;  // skin drawn under the regions
};

}  // namespace BkWin
