#pragma once

#include <cairo.h>

#include "platform/window/Geometry.h"

namespace BkWin {

// Draws the whole of `image` stretched into `rect`.
void PaintImageStretched(cairo_t* cr, cairo_surface_t* image, const platform::Rect& rect,
                         int alpha);
// Draws `image` as large as fits into `rect` with its proportions kept, centred.
void PaintImageFitted(cairo_t* cr, cairo_surface_t* image, const platform::Rect& rect, int alpha);
// The state index image buttons pick their look by: 3 disabled, 2 pressed, 1 hovered, 0 normal.
int ButtonStateIndex(unsigned state);

}  // namespace BkWin
