#include "reconstruct/PathShapes.h"

#include <cmath>

namespace reconstruct {
namespace {

// Producers round coordinates; a rule a hundredth of a point askew is still a rule.
constexpr double kAxisTolerance = 0.05;

bool Same(const Point& a, const Point& b) {
    return std::abs(a.x - b.x) <= kAxisTolerance && std::abs(a.y - b.y) <= kAxisTolerance;
}

bool IsHorizontal(const Point& a, const Point& b) {
    return std::abs(a.y - b.y) <= kAxisTolerance;
}

bool IsVertical(const Point& a, const Point& b) {
    return std::abs(a.x - b.x) <= kAxisTolerance;
}

// The corners of a subpath without the repeated closing point.
std::vector<Point> Corners(const PathOutline::Subpath& subpath) {
    std::vector<Point> corners;
    for (const Point& point : subpath.points) {
        if (corners.empty() || !Same(corners.back(), point))
            corners.push_back(point);
    }
    if (corners.size() > 1 && Same(corners.front(), corners.back()))
        corners.pop_back();
    return corners;
}

std::optional<Rect> AsRectangle(const PathOutline::Subpath& subpath) {
    const std::vector<Point> corners = Corners(subpath);
    if (corners.size() != 4)
        return std::nullopt;
    for (std::size_t i = 0; i < 4; ++i) {
        const Point& a = corners[i];
        const Point& b = corners[(i + 1) % 4];
        const Point& c = corners[(i + 2) % 4];
        const bool turns =
            (IsHorizontal(a, b) && IsVertical(b, c)) || (IsVertical(a, b) && IsHorizontal(b, c));
        if (!turns)
            return std::nullopt;
    }
    Rect box{corners[0].x, corners[0].y, corners[0].x, corners[0].y};
    for (const Point& p : corners)
        box = {std::min(box.x0, p.x), std::min(box.y0, p.y), std::max(box.x1, p.x),
               std::max(box.y1, p.y)};
    return box;
}

bool Encloses(const Rect& outer, const Rect& inner) {
    return inner.x0 >= outer.x0 && inner.y0 >= outer.y0 && inner.x1 <= outer.x1 &&
           inner.y1 <= outer.y1 && !(inner == outer);
}

// Grids of many cells are filled as one path; checking them pair by pair would cost too much
// and they are never nested.
constexpr std::size_t kMaxNestingCheck = 64;

bool AnyNested(const std::vector<Rect>& rects) {
    for (std::size_t i = 0; i < rects.size(); ++i) {
        for (std::size_t j = i + 1; j < rects.size(); ++j) {
            if (Encloses(rects[i], rects[j]) || Encloses(rects[j], rects[i]))
                return true;
        }
    }
    return false;
}

void AddIfNotEmpty(const Rect& box, std::vector<Rect>* out) {
    if (!box.IsEmpty())
        out->push_back(box);
}

void AddFrameSides(const Rect& outer, const Rect& hole, std::vector<Rect>* out) {
    AddIfNotEmpty({outer.x0, outer.y0, outer.x1, hole.y0}, out);
    AddIfNotEmpty({outer.x0, hole.y1, outer.x1, outer.y1}, out);
    AddIfNotEmpty({outer.x0, hole.y0, hole.x0, hole.y1}, out);
    AddIfNotEmpty({hole.x1, hole.y0, outer.x1, hole.y1}, out);
}

}  // namespace

std::optional<std::vector<Rect>> FilledRectangles(const PathOutline& outline) {
    if (outline.curved || outline.subpaths.empty())
        return std::nullopt;
    std::vector<Rect> rects;
    for (const PathOutline::Subpath& subpath : outline.subpaths) {
        if (Corners(subpath).size() < 2)
            continue;  // a lone move draws nothing
        const std::optional<Rect> rect = AsRectangle(subpath);
        if (!rect)
            return std::nullopt;
        rects.push_back(*rect);
    }
    // A pair where one encloses the other is a frame; anything nested deeper is a drawing.
    if (rects.size() == 2 && (Encloses(rects[0], rects[1]) || Encloses(rects[1], rects[0]))) {
        const bool first_outer = Encloses(rects[0], rects[1]);
        std::vector<Rect> sides;
        AddFrameSides(first_outer ? rects[0] : rects[1], first_outer ? rects[1] : rects[0], &sides);
        return sides;
    }
    if (rects.size() <= kMaxNestingCheck && AnyNested(rects))
        return std::nullopt;
    return rects;
}

std::optional<std::vector<AxisSegment>> AxisSegments(const PathOutline& outline) {
    if (outline.curved)
        return std::nullopt;
    std::vector<AxisSegment> segments;
    for (const PathOutline::Subpath& subpath : outline.subpaths) {
        std::vector<Point> points = subpath.points;
        if (subpath.closed && !points.empty())
            points.push_back(points.front());
        for (std::size_t i = 1; i < points.size(); ++i) {
            const Point& a = points[i - 1];
            const Point& b = points[i];
            if (Same(a, b))
                continue;
            if (IsHorizontal(a, b))
                segments.push_back({a, b, true});
            else if (IsVertical(a, b))
                segments.push_back({a, b, false});
            else
                return std::nullopt;
        }
    }
    return segments;
}

}  // namespace reconstruct
