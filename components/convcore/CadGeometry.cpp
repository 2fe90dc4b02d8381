#include "convcore/CadGeometry.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace convcore {
namespace {

constexpr double kPi = std::numbers::pi;
constexpr double kTwoPi = 2 * std::numbers::pi;
// Ellipses are drawn as this many straight pieces per full turn: a turn as wide as a large page
// then strays less than a fifth of a point from the true curve.
constexpr int kEllipsePiecesPerTurn = 128;
// Samples per control point of a spline, and at most this many in all.
constexpr int kSplineSamplesPerPoint = 8;
constexpr int kMaxSplineSamples = 20000;

double Radians(double degrees) {
    return degrees * kPi / 180;
}

// `angle` moved into [0, 2 pi).
double NormalAngle(double angle) {
    const double turned = std::fmod(angle, kTwoPi);
    return turned < 0 ? turned + kTwoPi : turned;
}

// Whether `angle` lies on the counter-clockwise sweep from `start` to `end`.
bool OnSweep(double angle, double start, double end) {
    const double sweep = NormalAngle(end - start);
    return NormalAngle(angle - start) <= sweep;
}

void AddArcExtremes(const CadArc& arc, CadBox* box) {
    const double from = arc.ccw ? arc.start : arc.end;
    const double to = arc.ccw ? arc.end : arc.start;
    for (int quarter = 0; quarter < 4; ++quarter) {
        const double angle = quarter * kPi / 2;
        if (OnSweep(angle, from, to))
            box->Add(CadPoint{arc.centre.x + arc.radius * std::cos(angle),
                              arc.centre.y + arc.radius * std::sin(angle)});
    }
}

std::vector<double> ClampedUniformKnots(std::size_t count, int degree) {
    const std::size_t inner = count - static_cast<std::size_t>(degree);
    std::vector<double> knots(static_cast<std::size_t>(degree), 0.0);
    for (std::size_t i = 0; i <= inner; ++i)
        knots.push_back(static_cast<double>(i) / static_cast<double>(inner));
    knots.insert(knots.end(), static_cast<std::size_t>(degree), 1.0);
    return knots;
}

bool UsableKnots(const std::vector<double>& knots, std::size_t expected) {
    if (knots.size() != expected)
        return false;
    for (std::size_t i = 1; i < knots.size(); ++i) {
        if (!(knots[i] >= knots[i - 1]))
            return false;
    }
    return knots.back() > knots.front();
}

struct Homogeneous {
    double x = 0;
    double y = 0;
    double w = 1;
};

// de Boor's evaluation of a rational B-spline at `t`.
CadPoint EvaluateSpline(const std::vector<Homogeneous>& points, const std::vector<double>& knots,
                        int degree, double t) {
    const std::size_t count = points.size();
    std::size_t span = static_cast<std::size_t>(degree);
    while (span + 1 < count && t >= knots[span + 1])
        ++span;
    std::vector<Homogeneous> d(static_cast<std::size_t>(degree) + 1);
    for (int j = 0; j <= degree; ++j)
        d[static_cast<std::size_t>(j)] = points[span - static_cast<std::size_t>(degree) + j];
    for (int r = 1; r <= degree; ++r) {
        for (int j = degree; j >= r; --j) {
            const std::size_t i = span - static_cast<std::size_t>(degree) + j;
            const double left = knots[i];
            const double right = knots[i + static_cast<std::size_t>(degree - r) + 1];
            const double alpha = right > left ? (t - left) / (right - left) : 0;
            Homogeneous& now = d[static_cast<std::size_t>(j)];
            const Homogeneous& before = d[static_cast<std::size_t>(j - 1)];
            now = {(1 - alpha) * before.x + alpha * now.x, (1 - alpha) * before.y + alpha * now.y,
                   (1 - alpha) * before.w + alpha * now.w};
        }
    }
    const Homogeneous& result = d[static_cast<std::size_t>(degree)];
    return result.w != 0 ? CadPoint{result.x / result.w, result.y / result.w} : CadPoint{};
}

std::vector<CadVertex> Straight(const std::vector<CadPoint>& points) {
    std::vector<CadVertex> vertices;
    vertices.reserve(points.size());
    for (const CadPoint& point : points)
        vertices.push_back({point.x, point.y, 0});
    return vertices;
}

}  // namespace

void CadBox::Add(CadPoint point) {
    if (!std::isfinite(point.x) || !std::isfinite(point.y))
        return;
    if (empty) {
        *this = {point.x, point.y, point.x, point.y, false};
        return;
    }
    min_x = std::min(min_x, point.x);
    min_y = std::min(min_y, point.y);
    max_x = std::max(max_x, point.x);
    max_y = std::max(max_y, point.y);
}

void CadBox::Add(const CadBox& box) {
    if (box.empty)
        return;
    Add(CadPoint{box.min_x, box.min_y});
    Add(CadPoint{box.max_x, box.max_y});
}

bool CadBox::Overlaps(const CadBox& other) const {
    return !empty && !other.empty && min_x <= other.max_x && other.min_x <= max_x &&
           min_y <= other.max_y && other.min_y <= max_y;
}

CadPoint CadAffine::Apply(CadPoint point) const {
    return {xx * point.x + xy * point.y + x0, yx * point.x + yy * point.y + y0};
}

CadAffine CadAffine::After(const CadAffine& inner) const {
    return {xx * inner.xx + xy * inner.yx,      yx * inner.xx + yy * inner.yx,
            xx * inner.xy + xy * inner.yy,      yx * inner.xy + yy * inner.yy,
            xx * inner.x0 + xy * inner.y0 + x0, yx * inner.x0 + yy * inner.y0 + y0};
}

double CadAffine::MeanScale() const {
    return std::sqrt(std::fabs(Determinant()));
}

bool CadAffine::IsUsable() const {
    const double values[] = {xx, yx, xy, yy, x0, y0};
    if (!std::all_of(std::begin(values), std::end(values),
                     [](double value) { return std::isfinite(value); }))
        return false;
    const double size = std::max({std::fabs(xx), std::fabs(yx), std::fabs(xy), std::fabs(yy)});
    return size > 0 && std::fabs(Determinant()) > 1e-12 * size * size;
}

CadAffine CadAffine::Translation(double x, double y) {
    return {1, 0, 0, 1, x, y};
}

CadAffine CadAffine::Rotation(double degrees) {
    const double c = std::cos(Radians(degrees));
    const double s = std::sin(Radians(degrees));
    return {c, s, -s, c, 0, 0};
}

CadAffine CadAffine::Scale(double x, double y) {
    return {x, 0, 0, y, 0, 0};
}

CadArc BulgeArc(CadVertex from, CadPoint to) {
    const double dx = to.x - from.x;
    const double dy = to.y - from.y;
    const double chord = std::hypot(dx, dy);
    const double sweep = 4 * std::atan(from.bulge);
    const double signed_radius = chord / (2 * std::sin(sweep / 2));
    const double towards = std::atan2(dy, dx) + kPi / 2 - sweep / 2;
    CadArc arc;
    arc.centre = {from.x + signed_radius * std::cos(towards),
                  from.y + signed_radius * std::sin(towards)};
    arc.radius = std::fabs(signed_radius);
    arc.start = std::atan2(from.y - arc.centre.y, from.x - arc.centre.x);
    arc.end = std::atan2(to.y - arc.centre.y, to.x - arc.centre.x);
    arc.ccw = from.bulge > 0;
    return arc;
}

std::vector<CadVertex> ArcVertices(CadPoint centre, double radius, double start, double end) {
    double sweep = std::fmod(end - start, 360.0);
    if (sweep <= 1e-9)
        sweep += 360;
    const int pieces = sweep > 180 ? 2 : 1;
    const double step = sweep / pieces;
    const double bulge = std::tan(Radians(step) / 4);
    std::vector<CadVertex> vertices;
    for (int i = 0; i <= pieces; ++i) {
        const double angle = Radians(start + step * i);
        vertices.push_back({centre.x + radius * std::cos(angle),
                            centre.y + radius * std::sin(angle), i < pieces ? bulge : 0});
    }
    return vertices;
}

void AddPolylineToBox(std::span<const CadVertex> vertices, bool closed, CadBox* box) {
    const std::size_t count = vertices.size();
    for (std::size_t i = 0; i < count; ++i) {
        const CadVertex& from = vertices[i];
        box->Add(CadPoint{from.x, from.y});
        const bool has_next = i + 1 < count || (closed && count > 1);
        if (from.bulge == 0 || !has_next)
            continue;
        const CadVertex& to = vertices[(i + 1) % count];
        if (from.x != to.x || from.y != to.y)
            AddArcExtremes(BulgeArc(from, {to.x, to.y}), box);
    }
}

std::vector<CadVertex> EllipseVertices(CadPoint centre, CadPoint major, double ratio, double start,
                                       double end, bool mirrored) {
    double sweep = NormalAngle(end - start);
    if (sweep < 1e-9)
        sweep = kTwoPi;
    const int pieces =
        std::max(4, static_cast<int>(std::ceil(sweep / kTwoPi * kEllipsePiecesPerTurn)));
    const CadPoint minor = mirrored ? CadPoint{ratio * major.y, -ratio * major.x}
                                    : CadPoint{-ratio * major.y, ratio * major.x};
    std::vector<CadVertex> vertices;
    vertices.reserve(static_cast<std::size_t>(pieces) + 1);
    for (int i = 0; i <= pieces; ++i) {
        const double t = start + sweep * i / pieces;
        vertices.push_back({centre.x + std::cos(t) * major.x + std::sin(t) * minor.x,
                            centre.y + std::cos(t) * major.y + std::sin(t) * minor.y, 0});
    }
    return vertices;
}

std::vector<CadVertex> SplineVertices(const CadSplineData& spline) {
    const std::size_t count = spline.control.size();
    if (count < 2)
        return Straight(spline.fit);
    const int degree = std::clamp(spline.degree, 1, static_cast<int>(count) - 1);
    const std::size_t expected = count + static_cast<std::size_t>(degree) + 1;
    const std::vector<double> knots =
        UsableKnots(spline.knots, expected) ? spline.knots : ClampedUniformKnots(count, degree);
    const bool weighted =
        spline.weights.size() == count && std::all_of(spline.weights.begin(), spline.weights.end(),
                                                      [](double weight) { return weight > 0; });
    std::vector<Homogeneous> points;
    points.reserve(count);
    for (std::size_t i = 0; i < count; ++i) {
        const double w = weighted ? spline.weights[i] : 1;
        points.push_back({spline.control[i].x * w, spline.control[i].y * w, w});
    }
    const double from = knots[static_cast<std::size_t>(degree)];
    const double to = knots[count];
    const int samples =
        std::clamp(static_cast<int>(count) * kSplineSamplesPerPoint, 16, kMaxSplineSamples);
    std::vector<CadPoint> curve;
    curve.reserve(static_cast<std::size_t>(samples) + 1);
    for (int i = 0; i <= samples; ++i)
        curve.push_back(EvaluateSpline(points, knots, degree, from + (to - from) * i / samples));
    return Straight(curve);
}

}  // namespace convcore
