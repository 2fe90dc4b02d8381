#include "reconstruct/CellText.h"

#include <algorithm>
#include <cmath>

#include "reconstruct/TableSegments.h"
#include "reconstruct/TextRuns.h"

namespace reconstruct {
namespace {

struct VisualLine {
    Rect box;
    double baseline = 0;
    double height = 0;
    std::vector<RawChar> chars;
};

bool IsBlank(char32_t code) {
    return code == U' ' || code == U'\t' || code == 0xA0 || code == 0x3000;
}

double BaselineOf(const RawPage& page, int line, const RawChar& c) {
    if (line >= 0 && static_cast<std::size_t>(line) < page.lines.size() &&
        std::isfinite(page.lines[line].baseline))
        return page.lines[line].baseline;
    return c.box.y1;
}

// Pieces of drawn lines: consecutive characters from one drawn line.
std::vector<VisualLine> Fragments(const RawPage& page, const std::vector<PlacedChar>& chars) {
    std::vector<VisualLine> fragments;
    int current = -1;
    for (const PlacedChar& placed : chars) {
        if (fragments.empty() || placed.line != current) {
            fragments.push_back({});
            fragments.back().baseline = BaselineOf(page, placed.line, placed.c);
            current = placed.line;
        }
        VisualLine& f = fragments.back();
        f.chars.push_back(placed.c);
        if (!IsBlank(placed.c.code)) {
            f.box = f.box.United(placed.c.box);
            f.height = std::max(f.height, placed.c.box.Height());
        }
    }
    std::erase_if(fragments, [](const VisualLine& f) { return f.box.IsEmpty(); });
    return fragments;
}

// Fragments on one baseline joined left to right, with a space where pieces meet.
std::vector<VisualLine> JoinFragments(std::vector<VisualLine> fragments) {
    std::sort(fragments.begin(), fragments.end(), [](const VisualLine& a, const VisualLine& b) {
        return a.baseline < b.baseline || (a.baseline == b.baseline && a.box.x0 < b.box.x0);
    });
    std::vector<VisualLine> lines;
    std::size_t start = 0;
    while (start < fragments.size()) {
        std::size_t end = start + 1;
        const double reach = 0.3 * std::max(fragments[start].height, 1.0);
        while (end < fragments.size() &&
               fragments[end].baseline - fragments[start].baseline <= reach)
            ++end;
        std::sort(fragments.begin() + start, fragments.begin() + end,
                  [](const VisualLine& a, const VisualLine& b) { return a.box.x0 < b.box.x0; });
        VisualLine line = fragments[start];
        for (std::size_t i = start + 1; i < end; ++i) {
            const VisualLine& f = fragments[i];
            RawChar space = f.chars.front();
            space.code = U' ';
            line.chars.push_back(space);
            line.chars.insert(line.chars.end(), f.chars.begin(), f.chars.end());
            line.box = line.box.United(f.box);
            line.height = std::max(line.height, f.height);
        }
        lines.push_back(std::move(line));
        start = end;
    }
    return lines;
}

// The baseline distance of lines in one paragraph here: the tightest pitch seen, but never
// more than normal leading, so that two lines far apart still read as two paragraphs.
double ReferencePitch(const std::vector<VisualLine>& lines) {
    double height = 0;
    for (const VisualLine& line : lines)
        height = std::max(height, line.height);
    double pitch = 1.3 * height;
    for (std::size_t i = 1; i < lines.size(); ++i)
        pitch = std::min(pitch, lines[i].baseline - lines[i - 1].baseline);
    return std::max(pitch, 0.5 * height);
}

Align AlignmentOf(const std::vector<const VisualLine*>& lines, const Rect& cell) {
    const double tolerance = std::max(2.0, 0.04 * cell.Width());
    bool centred = true;
    bool right = true;
    bool filled = true;
    double min_right_gap = cell.Width();
    double max_right_gap = 0;
    for (const VisualLine* line : lines) {
        const double left_gap = line->box.x0 - cell.x0;
        const double right_gap = cell.x1 - line->box.x1;
        centred = centred && std::abs(left_gap - right_gap) <= tolerance;
        right = right && left_gap > right_gap + tolerance;
        filled = filled && line->box.Width() >= 0.9 * cell.Width();
        min_right_gap = std::min(min_right_gap, right_gap);
        max_right_gap = std::max(max_right_gap, right_gap);
    }
    if (filled)
        return Align::kLeft;
    if (centred)
        return Align::kCenter;
    if (right && max_right_gap - min_right_gap <= tolerance)
        return Align::kRight;
    return Align::kLeft;
}

Paragraph MakeParagraph(const RawPage& page, const std::vector<const VisualLine*>& lines,
                        const Rect& cell) {
    Paragraph paragraph;
    for (const VisualLine* line : lines) {
        AppendLine(page, line->chars, &paragraph.runs);
        paragraph.box = paragraph.box.United(line->box);
    }
    paragraph.align = AlignmentOf(lines, cell);
    if (lines.size() > 1)
        paragraph.line_pitch = (lines.back()->baseline - lines.front()->baseline) /
                               static_cast<double>(lines.size() - 1);
    return paragraph;
}

}  // namespace

std::vector<Paragraph> CellParagraphs(const RawPage& page, const std::vector<PlacedChar>& chars,
                                      const Rect& cell) {
    const std::vector<VisualLine> lines = JoinFragments(Fragments(page, chars));
    std::vector<Paragraph> paragraphs;
    if (lines.empty())
        return paragraphs;
    const double pitch = ReferencePitch(lines);
    std::vector<const VisualLine*> current{&lines.front()};
    for (std::size_t i = 1; i < lines.size(); ++i) {
        if (lines[i].baseline - lines[i - 1].baseline > 1.5 * pitch) {
            paragraphs.push_back(MakeParagraph(page, current, cell));
            current.clear();
        }
        current.push_back(&lines[i]);
    }
    paragraphs.push_back(MakeParagraph(page, current, cell));
    std::erase_if(paragraphs, [](const Paragraph& p) { return p.runs.empty(); });
    return paragraphs;
}

void FillCellText(const RawPage& page, const std::vector<double>& xs, const std::vector<double>& ys,
                  Table* table) {
    if (xs.size() < 2 || ys.size() < 2)
        return;
    const std::size_t columns = xs.size() - 1;
    const std::size_t rows = ys.size() - 1;
    std::vector<int> owner(rows * columns, -1);
    for (std::size_t i = 0; i < table->cells.size(); ++i) {
        const Cell& cell = table->cells[i];
        for (int r = cell.row; r < cell.row + cell.row_span && r < static_cast<int>(rows); ++r)
            for (int c = cell.column;
                 c < cell.column + cell.column_span && c < static_cast<int>(columns); ++c)
                owner[r * columns + c] = static_cast<int>(i);
    }
    auto slot = [](const std::vector<double>& lines, double value) {
        const auto it = std::upper_bound(lines.begin(), lines.end(), value);
        const long index = static_cast<long>(it - lines.begin()) - 1;
        return static_cast<std::size_t>(std::clamp(index, 0L, static_cast<long>(lines.size()) - 2));
    };
    std::vector<std::vector<PlacedChar>> buckets(table->cells.size());
    for (std::size_t l = 0; l < page.lines.size(); ++l) {
        for (const RawChar& c : page.lines[l].chars) {
            const double x = c.box.CenterX();
            const double y = c.box.CenterY();
            if (!IsFinite(c.box) || !table->box.Contains(x, y))
                continue;
            const int cell = owner[slot(ys, y) * columns + slot(xs, x)];
            if (cell >= 0)
                buckets[cell].push_back({c, static_cast<int>(l)});
        }
    }
    for (std::size_t i = 0; i < table->cells.size(); ++i)
        table->cells[i].paragraphs = CellParagraphs(page, buckets[i], table->cells[i].box);
}

std::optional<Rgb> ShadingOf(const RawPage& page, const Rect& box) {
    const double area = box.Width() * box.Height();
    const double page_area = page.width * page.height;
    if (area <= 0)
        return std::nullopt;
    for (auto it = page.fills.rbegin(); it != page.fills.rend(); ++it) {
        const Rect& fill = it->box;
        if (!IsFinite(fill))
            continue;
        if (page_area > 0 && fill.Width() * fill.Height() >= 0.9 * page_area)
            continue;
        const Rect overlap = fill.Intersected(box);
        if (overlap.IsEmpty() || overlap.Width() * overlap.Height() < 0.8 * area)
            continue;
        const Rgb white{255, 255, 255};
        if (it->color == white)
            return std::nullopt;
        return it->color;
    }
    return std::nullopt;
}

}  // namespace reconstruct
