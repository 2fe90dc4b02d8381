#include "reconstruct/TextMarks.h"

#include <algorithm>
#include <cmath>
#include <map>
#include <optional>

namespace reconstruct {
namespace {

constexpr double kSmallerThanLine = 0.8;
constexpr double kShiftAway = 0.1;       // of the line's size, off its baseline
constexpr double kUnderlineTop = -0.05;  // of the size, below the baseline
constexpr double kUnderlineBottom = 0.3;
constexpr double kStrikeTop = -0.5;
constexpr double kStrikeBottom = -0.15;
constexpr double kOverhang = 0.5;      // of the size a decoration may pass the line's ends
constexpr double kMaxThickness = 0.2;  // of the size
constexpr double kLargestSize = 300;

constexpr double kOverprintOffset = 0.15;  // of the size: a copy this near is an overprint
constexpr double kVisibleOffset = 0.01;    // points: a copy this near prints on the original
constexpr double kSameOffset = 0.05;       // points: every character of a copy moves alike
constexpr std::size_t kOverprintLookBack = 3;

enum class Decoration { kNone, kUnderline, kStrike };

Decoration DecorationOf(const RawRule& rule, const RawLine& line, double size) {
    if (!rule.horizontal || size <= 0 || rule.thickness > std::max(1.5, kMaxThickness * size))
        return Decoration::kNone;
    if (rule.box.x0 < line.box.x0 - kOverhang * size ||
        rule.box.x1 > line.box.x1 + kOverhang * size)
        return Decoration::kNone;
    const double below = (rule.box.CenterY() - line.baseline) / size;
    if (below >= kUnderlineTop && below <= kUnderlineBottom)
        return Decoration::kUnderline;
    if (below >= kStrikeTop && below <= kStrikeBottom)
        return Decoration::kStrike;
    return Decoration::kNone;
}

void Decorate(const RawRule& rule, Decoration decoration, RawLine* line) {
    for (RawChar& c : line->chars) {
        if (c.box.CenterX() < rule.box.x0 || c.box.CenterX() > rule.box.x1)
            continue;
        if (decoration == Decoration::kUnderline)
            c.underline = true;
        else
            c.strike = true;
    }
}

bool Near(double a, double b, double tolerance) {
    return std::abs(a - b) <= tolerance;
}

// The offset of `copy` from `original` when it repeats it as an overprint.
std::optional<double> OverprintOffset(const RawPage& page, const RawLine& original,
                                      const RawLine& copy) {
    if (original.chars.empty() || original.chars.size() != copy.chars.size())
        return std::nullopt;
    const int style = original.chars.front().style;
    if (style < 0 || style >= static_cast<int>(page.styles.size()))
        return std::nullopt;
    const double tolerance = kOverprintOffset * page.styles[static_cast<std::size_t>(style)].size;
    const double dx = copy.chars.front().box.x0 - original.chars.front().box.x0;
    const double dy = copy.chars.front().box.y0 - original.chars.front().box.y0;
    if (!Near(dx, 0, tolerance) || !Near(dy, 0, tolerance))
        return std::nullopt;
    for (std::size_t i = 0; i < copy.chars.size(); ++i) {
        const RawChar& a = original.chars[i];
        const RawChar& b = copy.chars[i];
        if (a.code != b.code || !Near(b.box.x0 - a.box.x0, dx, kSameOffset) ||
            !Near(b.box.y0 - a.box.y0, dy, kSameOffset))
            return std::nullopt;
    }
    return std::max(std::abs(dx), std::abs(dy));
}

int BoldStyle(RawPage* page, int style) {
    FontStyle bold = page->styles[static_cast<std::size_t>(style)];
    bold.bold = true;
    const auto found = std::find(page->styles.begin(), page->styles.end(), bold);
    if (found != page->styles.end())
        return static_cast<int>(found - page->styles.begin());
    page->styles.push_back(bold);
    return static_cast<int>(page->styles.size() - 1);
}

void Embolden(RawPage* page, RawLine* line) {
    for (RawChar& c : line->chars) {
        if (c.style >= 0 && c.style < static_cast<int>(page->styles.size()))
            c.style = BoldStyle(page, c.style);
    }
}

}  // namespace

void MergeOverprintedLines(RawPage* page) {
    std::vector<RawLine> kept;
    kept.reserve(page->lines.size());
    for (RawLine& line : page->lines) {
        bool repeated = false;
        const std::size_t first =
            kept.size() > kOverprintLookBack ? kept.size() - kOverprintLookBack : 0;
        for (std::size_t i = first; i < kept.size() && !repeated; ++i) {
            const std::optional<double> offset = OverprintOffset(*page, kept[i], line);
            if (!offset)
                continue;
            repeated = true;
            if (*offset > kVisibleOffset)
                Embolden(page, &kept[i]);
        }
        if (!repeated)
            kept.push_back(std::move(line));
    }
    page->lines = std::move(kept);
}

double DominantSize(const RawPage& page, const RawLine& line) {
    std::map<double, int> counts;
    for (const RawChar& c : line.chars) {
        if (c.code != U' ' && c.style >= 0 && c.style < static_cast<int>(page.styles.size()))
            ++counts[page.styles[static_cast<std::size_t>(c.style)].size];
    }
    const auto most =
        std::max_element(counts.begin(), counts.end(),
                         [](const auto& a, const auto& b) { return a.second < b.second; });
    return most == counts.end() ? 0 : most->first;
}

VerticalShift ShiftOf(double size, double baseline, double line_size, double line_baseline) {
    if (line_size <= 0 || size >= kSmallerThanLine * line_size)
        return VerticalShift::kNone;
    const double raised = line_baseline - baseline;
    if (raised > kShiftAway * line_size)
        return VerticalShift::kSuperscript;
    if (raised < -kShiftAway * line_size)
        return VerticalShift::kSubscript;
    return VerticalShift::kNone;
}

void MarkDecorations(RawPage* page) {
    // Lines by baseline, so that each rule looks only at the lines near it.
    std::vector<std::pair<double, std::size_t>> by_baseline;
    std::vector<double> sizes;
    double largest = 0;
    for (std::size_t i = 0; i < page->lines.size(); ++i) {
        by_baseline.emplace_back(page->lines[i].baseline, i);
        sizes.push_back(DominantSize(*page, page->lines[i]));
        largest = std::max(largest, std::min(sizes.back(), kLargestSize));
    }
    std::sort(by_baseline.begin(), by_baseline.end());
    for (const RawRule& rule : page->rules) {
        if (!rule.horizontal)
            continue;
        const double y = rule.box.CenterY();
        auto it = std::lower_bound(by_baseline.begin(), by_baseline.end(),
                                   std::make_pair(y - kUnderlineBottom * largest, std::size_t{0}));
        for (; it != by_baseline.end() && it->first <= y - kStrikeTop * largest; ++it) {
            RawLine& line = page->lines[it->second];
            const Decoration decoration = DecorationOf(rule, line, sizes[it->second]);
            if (decoration != Decoration::kNone)
                Decorate(rule, decoration, &line);
        }
    }
}

}  // namespace reconstruct
