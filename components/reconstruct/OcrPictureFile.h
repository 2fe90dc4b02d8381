#pragma once

#include <filesystem>
#include <string>

#include "reconstruct/OcrPicture.h"

namespace reconstruct {

struct PictureReadOptions {
    int orientation = 1;        // a camera's EXIF orientation (1..8) to turn the pixels upright
    double max_pixels = 100e6;  // larger pictures are scaled down to this many pixels
    int default_dpi = 300;      // for pictures that state no resolution or an unlikely one
};

// A picture file as pages: each frame of a multi-page TIFF is a page, every other format has
// one. The count is 0 with the reason in `error` when the file is no picture that can be read.
int PicturePageCount(const std::filesystem::path& file, std::string* error);

// Page `index` (0-based) of a picture file, upright and at most `max_pixels` large. Its
// resolution is the file's, or the default, lowered with the pixels when it was scaled down,
// so that pixels / dpi stays the picture's size on paper. False with the reason otherwise.
bool ReadPicturePage(const std::filesystem::path& file, int index,
                     const PictureReadOptions& options, OcrPicture* out, std::string* error);

}  // namespace reconstruct
