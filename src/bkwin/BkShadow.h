#pragma once

#include <cairo.h>

#include <functional>

#include "platform/window/Geometry.h"

namespace BkWin {

// The shadow a window casts: `size` pixels on every side, painted by the hook into an image
// of the window's size plus the shadow on every side.
struct BkShadow {
    bool enabled = false;
    int size = 0;
    // Paints into `rect`, the whole shadow image; true lets the default frame be drawn too.
    std::function<bool(cairo_t* cr, const platform::Rect& rect)> paint_hook;
};

}  // namespace BkWin
