#pragma once

#include <string>
#include <string_view>

// The orientation entry of an EXIF block: the "Exif\0\0" header (optional) followed by a TIFF
// structure, as cameras store it in a JPEG APP1 segment.
namespace convcore {

// 1..8 as cameras write it (1 = stored upright); 1 when the block has no valid entry.
int ReadExifOrientation(std::string_view block);

// Rewrites the entry in place; false when the block has no orientation entry to rewrite.
bool WriteExifOrientation(std::string& block, int orientation);

}  // namespace convcore
