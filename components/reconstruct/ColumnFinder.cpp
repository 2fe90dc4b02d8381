#include "reconstruct/ColumnFinder.h"

#include <algorithm>
#include <optional>

namespace reconstruct {
namespace {

// Bounds the work on hostile pages: candidates closer than this are the same gutter.
constexpr double kCandidateStep = 2;
constexpr std::size_t kMostCandidates = 2000;
constexpr int kLeastSideBySide = 3;
// Pages with more pieces than this are not real text pages; they stay in one column.
constexpr std::size_t kMostBoxes = 20000;

struct Stretch {
    std::vector<Rect> left;
    std::vector<Rect> right;
};

bool Crosses(const Rect& box, double x) {
    return box.x0 < x && box.x1 > x;
}

bool OverlapVertically(const Rect& a, const Rect& b) {
    const double overlap = std::min(a.y1, b.y1) - std::max(a.y0, b.y0);
    return overlap > 0.3 * std::min(a.Height(), b.Height());
}

struct SideBySideRows {
    int count = 0;
    double first_y = 0;  // top of the first row
};

// Rows where the left side has a line with a line of the right side beside it; both sides are
// in y order. Pieces of one row count once, so that a single stretched line proves nothing.
SideBySideRows CountSideBySide(const Stretch& stretch) {
    SideBySideRows rows;
    std::size_t first = 0;
    const Rect* counted = nullptr;
    for (const Rect& left : stretch.left) {
        while (first < stretch.right.size() && stretch.right[first].y1 < left.y0)
            ++first;
        if (counted && OverlapVertically(*counted, left))
            continue;
        for (std::size_t i = first; i < stretch.right.size() && stretch.right[i].y0 <= left.y1;
             ++i) {
            if (!OverlapVertically(left, stretch.right[i]))
                continue;
            if (rows.count++ == 0)
                rows.first_y = std::min(left.y0, stretch.right[i].y0);
            counted = &left;
            break;
        }
    }
    return rows;
}

std::vector<double> Candidates(std::span<const Rect> boxes, double text_x0, double text_x1) {
    std::vector<double> xs;
    for (const Rect& box : boxes) {
        if (box.x0 > text_x0 + 1 && box.x0 < text_x1)
            xs.push_back(box.x0 - 0.5);
    }
    std::sort(xs.begin(), xs.end());
    std::vector<double> kept;
    for (double x : xs) {
        if (kept.size() >= kMostCandidates)
            break;
        if (kept.empty() || x - kept.back() >= kCandidateStep)
            kept.push_back(x);
    }
    return kept;
}

struct Judge {
    double min_gutter;
    double min_column;

    std::optional<Gutter> operator()(const Stretch& stretch) const {
        if (stretch.left.size() < kLeastSideBySide || stretch.right.size() < kLeastSideBySide)
            return std::nullopt;
        const SideBySideRows rows = CountSideBySide(stretch);
        if (rows.count < kLeastSideBySide)
            return std::nullopt;
        // Lines above the first row with text on both sides belong to the band above: the
        // short last line of a full-width paragraph does not reach into the gutter either.
        Gutter gutter{-1e300, 1e300, 1e300, -1e300};
        double left_x0 = 1e300;
        double right_x1 = -1e300;
        for (const Rect& box : stretch.left) {
            if (box.y1 <= rows.first_y)
                continue;
            gutter.x0 = std::max(gutter.x0, box.x1);
            left_x0 = std::min(left_x0, box.x0);
            gutter.y0 = std::min(gutter.y0, box.y0);
            gutter.y1 = std::max(gutter.y1, box.y1);
        }
        for (const Rect& box : stretch.right) {
            if (box.y1 <= rows.first_y)
                continue;
            gutter.x1 = std::min(gutter.x1, box.x0);
            right_x1 = std::max(right_x1, box.x1);
            gutter.y0 = std::min(gutter.y0, box.y0);
            gutter.y1 = std::max(gutter.y1, box.y1);
        }
        if (gutter.x1 - gutter.x0 < min_gutter || gutter.x0 - left_x0 < min_column ||
            right_x1 - gutter.x1 < min_column)
            return std::nullopt;
        return gutter;
    }
};

// Which of the boxes (in order of their centres) stand in a row that something crosses `x` in:
// a box whose centre lies within a crossing box's height is beside it, and a gutter cannot run
// between the two.
std::vector<char> BlockedAt(std::span<const Rect> sorted, double x) {
    std::vector<std::pair<double, double>> spans;
    for (const Rect& box : sorted) {
        if (Crosses(box, x))
            spans.emplace_back(box.y0, box.y1);
    }
    std::sort(spans.begin(), spans.end());
    std::vector<char> blocked(sorted.size(), 0);
    std::size_t next = 0;
    double reach = -1e300;  // the lowest bottom of the spans starting above the current centre
    for (std::size_t i = 0; i < sorted.size(); ++i) {
        const double y = sorted[i].CenterY();
        for (; next < spans.size() && spans[next].first <= y; ++next)
            reach = std::max(reach, spans[next].second);
        blocked[i] = Crosses(sorted[i], x) || y <= reach;
    }
    return blocked;
}

bool SameGutter(const Gutter& a, const Gutter& b) {
    return a.x0 < b.x1 && b.x0 < a.x1 && a.y0 < b.y1 && b.y0 < a.y1;
}

void Keep(const Gutter& gutter, std::vector<Gutter>* gutters) {
    for (const Gutter& known : *gutters) {
        if (SameGutter(known, gutter))
            return;
    }
    gutters->push_back(gutter);
}

}  // namespace

bool IsSplitBy(const Gutter& gutter, const Rect& box) {
    const double y = box.CenterY();
    if (y < gutter.y0 || y > gutter.y1)
        return false;
    return box.x1 <= gutter.x0 + 0.5 || box.x0 >= gutter.x1 - 0.5;
}

std::vector<Gutter> FindGutters(std::span<const Rect> boxes, double body_size) {
    if (boxes.empty() || boxes.size() > kMostBoxes)
        return {};
    std::vector<Rect> sorted(boxes.begin(), boxes.end());
    std::sort(sorted.begin(), sorted.end(),
              [](const Rect& a, const Rect& b) { return a.CenterY() < b.CenterY(); });
    double text_x0 = sorted.front().x0;
    double text_x1 = sorted.front().x1;
    for (const Rect& box : sorted) {
        text_x0 = std::min(text_x0, box.x0);
        text_x1 = std::max(text_x1, box.x1);
    }
    const Judge judge{std::max(6.0, 0.6 * body_size), std::max(50.0, 0.18 * (text_x1 - text_x0))};
    std::vector<Gutter> gutters;
    for (double x : Candidates(sorted, text_x0, text_x1)) {
        Stretch stretch;
        auto close = [&] {
            if (const auto gutter = judge(stretch))
                Keep(*gutter, &gutters);
            stretch = {};
        };
        const std::vector<char> blocked = BlockedAt(sorted, x);
        for (std::size_t i = 0; i < sorted.size(); ++i) {
            if (blocked[i])
                close();
            else
                (sorted[i].x1 <= x ? stretch.left : stretch.right).push_back(sorted[i]);
        }
        close();
    }
    std::sort(gutters.begin(), gutters.end(),
              [](const Gutter& a, const Gutter& b) { return a.x0 < b.x0; });
    return gutters;
}

}  // namespace reconstruct
