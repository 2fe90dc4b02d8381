#pragma once

#include <cairo.h>

#include <memory>

namespace BkWin {

struct BkSurfaceRelease {
    void operator()(cairo_surface_t* surface) const { cairo_surface_destroy(surface); }
};
// One reference to a cairo surface.
using BkSurfaceRef = std::unique_ptr<cairo_surface_t, BkSurfaceRelease>;

}  // namespace BkWin
