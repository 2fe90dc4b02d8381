#pragma once

#include <cairo.h>

#include <cstddef>
#include <string_view>

namespace BkWin {

// PNG resources by id, decoded once and kept for the life of the process; the pre-scaled image
// for the DPI rate when there is one. UI thread only.
class BkPngPool {
public:
    struct Image {
        cairo_surface_t* surface = nullptr;  // owned by the pool; null when missing
        float rate = 1.0f;                   // the rate the image was drawn for
    };
    static Image Get(int png_id);
    static void Clear();

    // PNG data is outside input: larger data or images are refused.
    static constexpr std::size_t kMaxPngBytes = 32 * 1024 * 1024;
    static constexpr int kMaxImageSide = 8192;
    // A new ARGB surface (the caller owns it), or null when the data is
    // not a PNG within the limits.
    static cairo_surface_t* Decode(std::string_view png);
};

}  // namespace BkWin
