#pragma once

#include <span>
#include <vector>

namespace convcore {

struct DecodedPicture {
    int width = 0;
    int height = 0;
    std::vector<unsigned char> samples;  // rows of `components` bytes per pixel, no padding
};

// Decodes a JPEG stream into 8-bit gray (`components` 1) or RGB (3), letting the codec scale
// it down by the largest factor of n/8 that brings the long side to at most `max_long_side`:
// scaling inside the inverse DCT costs less than decoding at full size. False when the data
// is not a JPEG the codec can read, or has another number of components.
bool DecodeJpegScaled(std::span<const unsigned char> data, int components, int max_long_side,
                      DecodedPicture* picture);

}  // namespace convcore
