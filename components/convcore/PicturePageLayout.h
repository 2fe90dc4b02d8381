#pragma once

#include <array>

// Where a picture goes on its PDF page.
namespace convcore {

enum class PaperChoice { kPicture, kA3, kA4 };
enum class MarginChoice { kNone, kNarrow, kWide };

struct PageOptions {
    PaperChoice paper = PaperChoice::kPicture;
    bool landscape = false;  // ignored for kPicture: the picture's own shape decides
    MarginChoice margin = MarginChoice::kNone;
};

struct PictureGeometry {
    int width = 0;  // stored pixels
    int height = 0;
    double dpi_x = 0;  // 0 (or an implausible value) reads as 72
    double dpi_y = 0;
    int orientation = 1;  // EXIF orientation of the stored pixels, 1..8
};

struct PicturePlacement {
    double page_width = 0;  // points
    double page_height = 0;
    // The image's unit square onto the page ("a b c d e f cm"): upright, fitted into the space
    // inside the margins and centred there.
    std::array<double, 6> matrix{};
};

// Picture-sized pages are as large as the picture at its resolution plus the margins, shrunk
// when that would exceed the 200-inch limit of PDF pages.
PicturePlacement PlacePicture(const PictureGeometry& picture, const PageOptions& options);

double MarginPoints(MarginChoice margin);

}  // namespace convcore
