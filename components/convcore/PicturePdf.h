#pragma once

#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "convcore/PicturePageLayout.h"

namespace convcore {

struct ImagesToPdfRequest {
    std::vector<std::filesystem::path> images;  // one page each, in this order
    PageOptions page;
    // Re-encode every picture as JPEG at `quality` (1..100); a JPEG keeps its own bytes when
    // they are smaller. Otherwise JPEG files are carried unchanged and other pictures lossless.
    bool recompress = false;
    int quality = 75;
    std::function<bool()> cancelled;    // polled between and inside pictures
    std::function<void(int)> progress;  // 0..100
};

// Writes the PDF to `output`. False with the reason in `error` (also "cancelled"); the caller
// then discards whatever was written.
bool WriteImagesPdf(const ImagesToPdfRequest& request, const std::filesystem::path& output,
                    std::string* error);

}  // namespace convcore
