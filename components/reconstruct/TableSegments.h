#pragma once

#include <functional>
#include <vector>

#include "reconstruct/Geometry.h"
#include "reconstruct/RawPage.h"

namespace reconstruct {

// How far apart two pieces of one drawn line may be (across or along it) and still be one line.
inline constexpr double kRuleTolerance = 1.5;

// One straight line of a page after joining the pieces that draw it.
struct RulingLine {
    bool horizontal = true;
    double pos = 0;   // y of a horizontal line, x of a vertical one
    double from = 0;  // extent along the line
    double to = 0;
    double width = 0;  // stroke width; 0 for the edge of a filled box, a boundary nobody sees
    Rgb color;

    double Length() const { return to - from; }
};

// False when a coordinate is infinite or not a number, as in a corrupt document.
bool IsFinite(const Rect& box);

// The straight lines of a page: its rules and the edges of its filled boxes (cells drawn as
// shaded boxes without strokes), with collinear pieces that overlap or nearly touch joined.
// Fills that cover most of the page are paper colour, not boundaries.
std::vector<RulingLine> RulingSegments(
    const RawPage& page, const std::function<bool(const RawRule&)>& furniture = nullptr);

// Nearly equal values collapsed to one per cluster (their mean), sorted. A cluster spans at most
// `tolerance` from its first value, so a long chain of close values cannot swallow a range.
std::vector<double> SnapPositions(std::vector<double> values, double tolerance);

// The index of the snapped position within `tolerance` of `value`, or -1.
int NearestPosition(const std::vector<double>& positions, double value, double tolerance);

}  // namespace reconstruct
