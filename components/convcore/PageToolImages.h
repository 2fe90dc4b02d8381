#pragma once

#include <qpdf/QPDF.hh>

#include <functional>

namespace convcore {

// How far the compress levels stronger than lossless go with pictures.
struct ImageRecompression {
    int jpeg_quality = 0;   // 1..100; 0 leaves every picture as it is
    int max_long_side = 0;  // pixels; pictures beyond it are scaled down, 0 never
};

// Level 1 lossless, 2 high definition, 3 standard, 4 strongest; values outside 1..4 count as
// the nearest level.
constexpr int kDefaultCompressLevel = 3;
ImageRecompression ImageRecompressionForLevel(int level);

// Re-encodes the document's 8-bit gray and RGB pictures as JPEG, scaled down to the size
// limit, wherever that makes them clearly smaller. Pictures whose exact colours matter
// (masks, colour-key transparency, palettes) and those qpdf cannot decode are left alone.
// `progress` hears 0..100 as the pictures are done. False when `cancelled` said so.
bool RecompressImages(QPDF& pdf, const ImageRecompression& how,
                      const std::function<bool()>& cancelled,
                      const std::function<void(int percent)>& progress);

}  // namespace convcore
