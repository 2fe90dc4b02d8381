#pragma once

#include <FreeImage.h>

#include <cstdint>
#include <filesystem>
#include <functional>
#include <string>

namespace convcore {

struct CompressRequest {
    std::filesystem::path source;
    FREE_IMAGE_FORMAT format = FIF_JPEG;  // one CanCompressTo accepts
    std::uint64_t max_bytes = 0;
    std::function<bool()> cancelled;
};

struct CompressResult {
    std::string error;  // set when nothing usable was made (also "cancelled")
    // The source file itself is the smallest good answer: same format and no larger.
    bool keep_source = false;
    std::string bytes;  // the new picture otherwise
    std::uint64_t size = 0;
    bool fits = false;  // size <= max_bytes
};

// JPEG, WebP (quality) and PNG (colour reduction) can trade quality for size.
bool CanCompressTo(FREE_IMAGE_FORMAT format);

// The best picture at or under the limit: the highest quality (JPEG, WebP) or the most colours
// (PNG) that fits, lossless PNG first. When nothing fits, the smallest one made. The pixel size
// never changes.
CompressResult CompressPicture(const CompressRequest& request);

}  // namespace convcore
