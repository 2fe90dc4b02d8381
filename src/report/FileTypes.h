#pragma once

#include <string_view>

namespace report {

// The text after the last dot of the path's file name; empty when the name has no dot.
std::string_view FileExtension(std::string_view path);

// The code usage records give a file's kind, from its extension compared without case (a name
// without a dot is compared whole): doc 1, docx 2, xls 3, xlsx 4, pptx 5, txt 6, pdf 7, jpg 8,
// png 9, gif 10, bmp 11, tip 12, dxf 13, dwg 14, jpeg 15, tif 16, tiff 17, ppt 18, else 0.
int FileTypeCode(std::string_view path);

}  // namespace report
