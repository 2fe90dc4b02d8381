#pragma once

#include <optional>
#include <vector>

#include "reconstruct/Geometry.h"

namespace reconstruct {

struct Point {
    double x = 0;
    double y = 0;
};

// A path as drawn, already in page points: its subpaths as point lists. Curves make the whole
// outline `curved`; their end points are still listed.
struct PathOutline {
    struct Subpath {
        std::vector<Point> points;
        bool closed = false;
    };
    std::vector<Subpath> subpaths;
    bool curved = false;
};

// A straight stroke along one axis: y0 == y1 or x0 == x1 up to rounding.
struct AxisSegment {
    Point from;
    Point to;
    bool horizontal = true;
};

// The axis-aligned rectangles a filled outline is made of. A rectangle with a rectangular hole
// (a frame, the way some producers draw borders) comes back as its four sides. Nothing when
// the outline has any other shape.
std::optional<std::vector<Rect>> FilledRectangles(const PathOutline& outline);

// The segments of a stroked outline when every one is straight and axis-aligned; nothing when
// any is curved or slanted. Segments of no length are left out.
std::optional<std::vector<AxisSegment>> AxisSegments(const PathOutline& outline);

}  // namespace reconstruct
