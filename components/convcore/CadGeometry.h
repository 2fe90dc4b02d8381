#pragma once

#include <span>
#include <vector>

// Plane geometry of drawings: points, boxes, affine placements, and the curves that drawings
// describe by other means than polylines.
namespace convcore {

struct CadPoint {
    double x = 0;
    double y = 0;
};

// A polyline vertex; `bulge` shapes the segment to the next vertex: 0 straight, otherwise the
// tangent of a quarter of the arc's sweep, positive counter-clockwise.
struct CadVertex {
    double x = 0;
    double y = 0;
    double bulge = 0;
};

// An axis-aligned box; empty until a point is added.
struct CadBox {
    double min_x = 0;
    double min_y = 0;
    double max_x = 0;
    double max_y = 0;
    bool empty = true;

    void Add(CadPoint point);
    void Add(const CadBox& box);
    double Width() const { return empty ? 0 : max_x - min_x; }
    double Height() const { return empty ? 0 : max_y - min_y; }
    bool Overlaps(const CadBox& other) const;
};

// x' = xx x + xy y + x0, y' = yx x + yy y + y0 (the layout cairo uses).
struct CadAffine {
    double xx = 1;
    double yx = 0;
    double xy = 0;
    double yy = 1;
    double x0 = 0;
    double y0 = 0;

    CadPoint Apply(CadPoint point) const;
    // This placement applied after `inner`.
    CadAffine After(const CadAffine& inner) const;
    double Determinant() const { return xx * yy - xy * yx; }
    // How much lengths grow on average (the square root of the area scale).
    double MeanScale() const;
    bool IsUsable() const;  // finite and invertible

    static CadAffine Translation(double x, double y);
    static CadAffine Rotation(double degrees);
    static CadAffine Scale(double x, double y);
};

// The circular arc of a bulged segment.
struct CadArc {
    CadPoint centre;
    double radius = 0;
    double start = 0;  // radians
    double end = 0;    // radians, reached going counter-clockwise when `ccw`
    bool ccw = true;
};
CadArc BulgeArc(CadVertex from, CadPoint to);

// A circle or arc (degrees, counter-clockwise from `start` to `end`) as bulged vertices; a full
// circle when `start` equals `end` modulo 360.
std::vector<CadVertex> ArcVertices(CadPoint centre, double radius, double start, double end);
// Adds a polyline's points and the extremes of its arcs to `box`.
void AddPolylineToBox(std::span<const CadVertex> vertices, bool closed, CadBox* box);

// An elliptical arc: `major` is the end of the major axis relative to `centre`, `ratio` the
// minor axis over the major, parameters in radians; `mirrored` turns the minor axis over.
std::vector<CadVertex> EllipseVertices(CadPoint centre, CadPoint major, double ratio, double start,
                                       double end, bool mirrored);

// A B-spline curve of `degree` through its control points; `knots` and `weights` may be empty
// or inconsistent, in which case a clamped uniform curve without weights is drawn.
struct CadSplineData {
    int degree = 3;
    std::vector<double> knots;
    std::vector<CadPoint> control;
    std::vector<double> weights;
    std::vector<CadPoint> fit;
    bool closed = false;
};
std::vector<CadVertex> SplineVertices(const CadSplineData& spline);

}  // namespace convcore
