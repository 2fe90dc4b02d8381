#include "reconstruct/TableSegments.h"

#include <algorithm>
#include <cmath>

namespace reconstruct {
namespace {

RulingLine SegmentOfRule(const RawRule& rule) {
    RulingLine s;
    s.horizontal = rule.horizontal;
    s.pos = rule.horizontal ? rule.box.CenterY() : rule.box.CenterX();
    s.from = rule.horizontal ? rule.box.x0 : rule.box.y0;
    s.to = rule.horizontal ? rule.box.x1 : rule.box.y1;
    const double drawn = rule.horizontal ? rule.box.Height() : rule.box.Width();
    s.width = rule.thickness > 0 ? rule.thickness : std::max(drawn, 0.0);
    s.color = rule.color;
    return s;
}

void AddFillEdges(const RawFill& fill, std::vector<RulingLine>* out) {
    const Rect& b = fill.box;
    out->push_back({true, b.y0, b.x0, b.x1, 0, fill.color});
    out->push_back({true, b.y1, b.x0, b.x1, 0, fill.color});
    out->push_back({false, b.x0, b.y0, b.y1, 0, fill.color});
    out->push_back({false, b.x1, b.y0, b.y1, 0, fill.color});
}

bool IsPaper(const RawPage& page, const Rect& box) {
    const double page_area = page.width * page.height;
    return page_area > 0 && box.Width() * box.Height() >= 0.9 * page_area;
}

// Joins the pieces of one orientation lying on nearly the same line.
void JoinCollinear(std::vector<RulingLine> pieces, std::vector<RulingLine>* out) {
    std::sort(pieces.begin(), pieces.end(),
              [](const RulingLine& a, const RulingLine& b) { return a.pos < b.pos; });
    std::size_t start = 0;
    while (start < pieces.size()) {
        std::size_t end = start + 1;
        while (end < pieces.size() && pieces[end].pos - pieces[start].pos <= kRuleTolerance)
            ++end;
        std::sort(pieces.begin() + start, pieces.begin() + end,
                  [](const RulingLine& a, const RulingLine& b) { return a.from < b.from; });
        RulingLine joined = pieces[start];
        double weighted_pos = joined.pos * std::max(joined.Length(), 0.1);
        double weight = std::max(joined.Length(), 0.1);
        auto flush = [&] {
            joined.pos = weighted_pos / weight;
            out->push_back(joined);
        };
        for (std::size_t i = start + 1; i < end; ++i) {
            const RulingLine& piece = pieces[i];
            const double length = std::max(piece.Length(), 0.1);
            if (piece.from > joined.to + kRuleTolerance) {
                flush();
                joined = piece;
                weighted_pos = piece.pos * length;
                weight = length;
                continue;
            }
            joined.to = std::max(joined.to, piece.to);
            if (piece.width > joined.width) {
                joined.width = piece.width;
                joined.color = piece.color;
            }
            weighted_pos += piece.pos * length;
            weight += length;
        }
        flush();
        start = end;
    }
}

}  // namespace

bool IsFinite(const Rect& box) {
    return std::isfinite(box.x0) && std::isfinite(box.y0) && std::isfinite(box.x1) &&
           std::isfinite(box.y1);
}

std::vector<RulingLine> RulingSegments(const RawPage& page,
                                       const std::function<bool(const RawRule&)>& furniture) {
    std::vector<RulingLine> horizontal;
    std::vector<RulingLine> vertical;
    for (const RawRule& rule : page.rules) {
        if (furniture && furniture(rule))
            continue;
        const RulingLine s = SegmentOfRule(rule);
        if (IsFinite(rule.box) && std::isfinite(s.width) && s.Length() > 0)
            (s.horizontal ? horizontal : vertical).push_back(s);
    }
    for (const RawFill& fill : page.fills) {
        if (!IsFinite(fill.box) || fill.box.IsEmpty() || IsPaper(page, fill.box))
            continue;
        std::vector<RulingLine> edges;
        AddFillEdges(fill, &edges);
        for (const RulingLine& s : edges)
            (s.horizontal ? horizontal : vertical).push_back(s);
    }
    std::vector<RulingLine> joined;
    JoinCollinear(std::move(horizontal), &joined);
    JoinCollinear(std::move(vertical), &joined);
    return joined;
}

std::vector<double> SnapPositions(std::vector<double> values, double tolerance) {
    std::sort(values.begin(), values.end());
    std::vector<double> snapped;
    std::size_t start = 0;
    while (start < values.size()) {
        std::size_t end = start;
        double sum = 0;
        while (end < values.size() && values[end] - values[start] <= tolerance)
            sum += values[end++];
        snapped.push_back(sum / static_cast<double>(end - start));
        start = end;
    }
    return snapped;
}

int NearestPosition(const std::vector<double>& positions, double value, double tolerance) {
    const auto it = std::lower_bound(positions.begin(), positions.end(), value);
    int best = -1;
    double best_distance = tolerance;
    for (auto candidate : {it, it == positions.begin() ? it : it - 1}) {
        if (candidate == positions.end())
            continue;
        const double distance = std::abs(*candidate - value);
        if (distance <= best_distance) {
            best_distance = distance;
            best = static_cast<int>(candidate - positions.begin());
        }
    }
    return best;
}

}  // namespace reconstruct
