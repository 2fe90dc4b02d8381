#pragma once

#include <filesystem>

namespace convcore {

// What a PDF needs to know to carry a JPEG file unchanged, read from its headers alone.
struct JpegFacts {
    int width = 0;
    int height = 0;
    int components = 0;  // 1 grey, 3 colour, 4 CMYK
    // Baseline or progressive Huffman-coded with 8-bit samples: what every PDF reader decodes.
    bool embeddable = false;
    // An Adobe marker: its CMYK data is stored inverted.
    bool adobe = false;
    int orientation = 1;  // EXIF orientation, 1..8
    double dpi_x = 0;     // 0 when the file states no resolution
    double dpi_y = 0;
};

// False when the file is not a JPEG stream or has no frame header before its scan.
bool ReadJpegFacts(const std::filesystem::path& file, JpegFacts* facts);

}  // namespace convcore
