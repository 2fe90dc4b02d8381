#pragma once

#include <vector>

#include "convcore/WatermarkOptions.h"

// Where a watermark's occurrences go on a page. Coordinates are points on the page as the
// reader sees it: x to the right and y downwards from its top left corner.
namespace convcore {

struct MarkSize {
    double width = 0;
    double height = 0;
};

struct MarkCentre {
    double x = 0;
    double y = 0;
};

struct MarkPlacement {
    MarkSize page;
    MarkSize mark;     // the watermark before it is turned
    int rotation = 0;  // degrees anticlockwise
    EdgeAlignment vertical = EdgeAlignment::kMiddle;
    EdgeAlignment horizontal = EdgeAlignment::kMiddle;
    bool tiled = false;
};

// The centres of the occurrences, each turned by the rotation about its centre. A single one
// has its turned outline aligned within a margin of the page edges; a tiled one repeats in rows
// that run along the turned watermark, every other row shifted by half a step, over the whole
// page (alignment does not apply). Occurrences that could not touch the page are left out.
std::vector<MarkCentre> PlaceMarks(const MarkPlacement& placement);

}  // namespace convcore
