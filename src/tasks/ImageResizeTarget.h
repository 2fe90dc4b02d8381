#pragma once

#include <cstdint>
#include <optional>

#include "tasks/IImageResize.h"

namespace image_resize {

struct PixelSize {
    int width = 0;
    int height = 0;
    bool operator==(const PixelSize&) const = default;
};

// Largest picture, source or result, that the resizer will hold in memory: above the largest
// camera sensors, yet small enough that a hostile file cannot make the program allocate without
// bound (at 32 bits a pixel this is 800 MB).
inline constexpr std::uint64_t kMaxPixels = 200'000'000;

// The size `source` becomes under `options`. Factors are single-precision, as the thumbnails
// have always been computed, and products are truncated, so a 4000 x 3000 picture fitted into
// 188 x 108 becomes 143 x 107. A side that would shrink below one pixel stays one pixel. Empty
// for an unknown mode, for a size, box or percentage the mode uses that is below 1, and for a
// result above kMaxPixels.
std::optional<PixelSize> TargetSize(PixelSize source, const ImageResizeOptions& options);

}  // namespace image_resize
