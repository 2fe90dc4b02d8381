#include "convcore/WatermarkLayout.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace convcore {
namespace {

constexpr double kEdgeMargin = 18;       // a quarter inch, so a corner mark does not touch the edge
constexpr double kTileStepAlong = 1.5;   // of the mark's width, from one tile to the next
constexpr double kTileStepAcross = 2.5;  // of its height, from one row to the next
// However small the mark, a page gets no more tiles than this: each one is drawn separately.
constexpr double kMostTiles = 4000;

double Radians(int degrees) {
    return degrees * std::numbers::pi / 180;
}

MarkSize TurnedOutline(MarkSize mark, double angle) {
    const double c = std::abs(std::cos(angle));
    const double s = std::abs(std::sin(angle));
    return {mark.width * c + mark.height * s, mark.width * s + mark.height * c};
}

double AlignedCentre(EdgeAlignment alignment, double page, double outline) {
    const double margin = std::min(kEdgeMargin, page / 10);
    switch (alignment) {
        case EdgeAlignment::kStart:
            return margin + outline / 2;
        case EdgeAlignment::kEnd:
            return page - margin - outline / 2;
        case EdgeAlignment::kMiddle:
            break;
    }
    return page / 2;
}

// True when a circle of `radius` about `centre` reaches into the page.
bool Touches(MarkCentre centre, double radius, MarkSize page) {
    const double dx = centre.x - std::clamp(centre.x, 0.0, page.width);
    const double dy = centre.y - std::clamp(centre.y, 0.0, page.height);
    return dx * dx + dy * dy <= radius * radius;
}

std::vector<MarkCentre> Tiles(const MarkPlacement& placement) {
    const MarkSize page = placement.page;
    const MarkSize mark = placement.mark;
    double step_along = mark.width * kTileStepAlong;
    double step_across = mark.height * kTileStepAcross;
    const double mark_radius = std::hypot(mark.width, mark.height) / 2;
    const double reach = std::hypot(page.width, page.height) / 2 + mark_radius;
    const double count = (2 * reach / step_along) * (2 * reach / step_across);
    if (count > kMostTiles) {
        const double spread = std::sqrt(count / kMostTiles);
        step_along *= spread;
        step_across *= spread;
    }
    const double angle = Radians(placement.rotation);
    const double c = std::cos(angle);
    const double s = std::sin(angle);
    const int rows = static_cast<int>(std::ceil(reach / step_across));
    const int columns = static_cast<int>(std::ceil(reach / step_along)) + 1;
    std::vector<MarkCentre> centres;
    for (int row = -rows; row <= rows; ++row) {
        const double shift = (row % 2 != 0) ? step_along / 2 : 0;
        const double across = row * step_across;
        for (int column = -columns; column <= columns; ++column) {
            const double along = column * step_along + shift;
            // Rows run along the turned mark: its own x axis turned anticlockwise on a page
            // whose y axis points down.
            const MarkCentre centre{page.width / 2 + along * c + across * s,
                                    page.height / 2 - along * s + across * c};
            if (Touches(centre, mark_radius, page))
                centres.push_back(centre);
        }
    }
    return centres;
}

}  // namespace

std::vector<MarkCentre> PlaceMarks(const MarkPlacement& placement) {
    if (placement.mark.width <= 0 || placement.mark.height <= 0)
        return {};
    if (placement.tiled)
        return Tiles(placement);
    const MarkSize outline = TurnedOutline(placement.mark, Radians(placement.rotation));
    return {{AlignedCentre(placement.horizontal, placement.page.width, outline.width),
             AlignedCentre(placement.vertical, placement.page.height, outline.height)}};
}

}  // namespace convcore
