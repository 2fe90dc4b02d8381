#include "convcore/PicturePageLayout.h"

#include <algorithm>

namespace convcore {
namespace {

constexpr double kPointsPerInch = 72;
constexpr double kLowestDpi = 36;
constexpr double kHighestDpi = 4800;
constexpr double kA4Width = 595.28;
constexpr double kA4Height = 841.89;
constexpr double kA3Width = 841.89;
constexpr double kA3Height = 1190.55;
constexpr double kLargestPage = 14400;  // 200 inches, what PDF readers promise to show
constexpr double kSmallestPage = 3;

// The unit square turned and mirrored so that the picture shows upright, per EXIF orientation.
constexpr std::array<std::array<double, 6>, 8> kUpright{{
    {1, 0, 0, 1, 0, 0},
    {-1, 0, 0, 1, 1, 0},   // mirrored left to right
    {-1, 0, 0, -1, 1, 1},  // upside down
    {1, 0, 0, -1, 0, 1},   // mirrored top to bottom
    {0, -1, -1, 0, 1, 1},  // transposed
    {0, -1, 1, 0, 0, 1},   // to be turned clockwise
    {0, 1, 1, 0, 0, 0},    // transversed
    {0, 1, -1, 0, 1, 0},   // to be turned anticlockwise
}};

double Dpi(double dpi) {
    return dpi >= kLowestDpi && dpi <= kHighestDpi ? dpi : kPointsPerInch;
}

struct Box {
    double x = 0;
    double y = 0;
    double width = 0;
    double height = 0;
};

Box CentredFit(double width, double height, double space_width, double space_height, double margin,
               bool grow) {
    double scale = std::min(space_width / width, space_height / height);
    if (!grow)
        scale = std::min(scale, 1.0);
    Box box;
    box.width = width * scale;
    box.height = height * scale;
    box.x = margin + (space_width - box.width) / 2;
    box.y = margin + (space_height - box.height) / 2;
    return box;
}

}  // namespace

double MarginPoints(MarginChoice margin) {
    switch (margin) {
        case MarginChoice::kNarrow:
            return 36;  // half an inch
        case MarginChoice::kWide:
            return 72;  // an inch
        case MarginChoice::kNone:
            break;
    }
    return 0;
}

PicturePlacement PlacePicture(const PictureGeometry& picture, const PageOptions& options) {
    const bool turned = picture.orientation >= 5 && picture.orientation <= 8;
    const double stored_width = picture.width * kPointsPerInch / Dpi(picture.dpi_x);
    const double stored_height = picture.height * kPointsPerInch / Dpi(picture.dpi_y);
    const double width = turned ? stored_height : stored_width;
    const double height = turned ? stored_width : stored_height;
    const double margin = MarginPoints(options.margin);

    PicturePlacement placement;
    Box box;
    if (options.paper == PaperChoice::kPicture) {
        const double room = kLargestPage - 2 * margin;
        box = CentredFit(width, height, room, room, margin, false);
        placement.page_width = std::max(box.width + 2 * margin, kSmallestPage);
        placement.page_height = std::max(box.height + 2 * margin, kSmallestPage);
        box.x = (placement.page_width - box.width) / 2;
        box.y = (placement.page_height - box.height) / 2;
    } else {
        const bool a3 = options.paper == PaperChoice::kA3;
        const double short_side = a3 ? kA3Width : kA4Width;
        const double long_side = a3 ? kA3Height : kA4Height;
        placement.page_width = options.landscape ? long_side : short_side;
        placement.page_height = options.landscape ? short_side : long_side;
        box = CentredFit(width, height, placement.page_width - 2 * margin,
                         placement.page_height - 2 * margin, margin, true);
    }
    const int index =
        picture.orientation >= 1 && picture.orientation <= 8 ? picture.orientation - 1 : 0;
    const std::array<double, 6>& unit = kUpright[static_cast<std::size_t>(index)];
    placement.matrix = {unit[0] * box.width,         unit[1] * box.height,
                        unit[2] * box.width,         unit[3] * box.height,
                        unit[4] * box.width + box.x, unit[5] * box.height + box.y};
    return placement;
}

}  // namespace convcore
