#pragma once

#include <span>
#include <vector>

#include "reconstruct/Geometry.h"

namespace reconstruct {

// A vertical strip of white between columns, valid from y0 to y1.
struct Gutter {
    double x0 = 0;
    double x1 = 0;
    double y0 = 0;
    double y1 = 0;
};

// Gutters that split `boxes` (pieces of text lines, tables, pictures) into columns. A gutter
// must run through a stretch that nothing crosses, with several lines standing side by side
// across it and columns of a sensible width on both sides, so that a single column is never
// split at an accidental gap.
std::vector<Gutter> FindGutters(std::span<const Rect> boxes, double body_size);

// True when `box` lies on one side of `gutter` within its stretch.
bool IsSplitBy(const Gutter& gutter, const Rect& box);

}  // namespace reconstruct
