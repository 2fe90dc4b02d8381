#include "reconstruct/TextTable.h"

#include <algorithm>
#include <cmath>
#include <optional>

#include "reconstruct/CellText.h"
#include "reconstruct/ListMarkers.h"
#include "reconstruct/TableSegments.h"
#include "reconstruct/TextRuns.h"

namespace reconstruct {
namespace {

constexpr std::size_t kMarkerChars = 8;
constexpr std::size_t kLeaderChars = 8;  // dots and a page number

struct Piece {
    const RawChar* c;
    double baseline;
};

bool IsBlank(char32_t code) {
    return code == U' ' || code == U'\t' || code == 0xA0 || code == 0x3000;
}

double SizeOf(const RawPage& page, const RawChar& c) {
    if (c.style >= 0 && static_cast<std::size_t>(c.style) < page.styles.size() &&
        page.styles[c.style].size > 0)
        return page.styles[c.style].size;
    return std::max(c.box.Height(), 1.0);
}

bool IsMonospace(const RawPage& page, const RawChar& c) {
    return c.style >= 0 && static_cast<std::size_t>(c.style) < page.styles.size() &&
           page.styles[c.style].monospace;
}

// Spans of one line's characters (sorted by x), split where the gap is wider than about an em.
void SplitIntoSpans(const RawPage& page, const std::vector<const RawChar*>& chars,
                    SpannedLine* line) {
    const double split_gap = 0.8 * line->size;
    const double word_gap = 0.2 * line->size;
    const RawChar* previous = nullptr;
    for (const RawChar* c : chars) {
        const double gap = previous ? c->box.x0 - previous->box.x1 : 0;
        if (previous == nullptr || gap >= split_gap) {
            line->spans.push_back({c->box, 1, {}, {}});
        } else {
            line->spans.back().box = line->spans.back().box.United(c->box);
            if (gap > word_gap || (IsCjk(c->code) && IsCjk(previous->code)))
                ++line->spans.back().words;
        }
        TextSpan& span = line->spans.back();
        if (span.text.size() < kMarkerChars)
            span.text.push_back(c->code);
        if (span.tail.size() == kLeaderChars)
            span.tail.erase(0, 1);
        span.tail.push_back(c->code);
        ++line->chars;
        line->monospace_chars += IsMonospace(page, *c) ? 1 : 0;
        previous = c;
    }
}

SpannedLine MakeLine(const RawPage& page, std::vector<Piece>::const_iterator first,
                     std::vector<Piece>::const_iterator last) {
    SpannedLine line;
    line.baseline = first->baseline;
    std::vector<const RawChar*> chars;
    for (auto it = first; it != last; ++it) {
        chars.push_back(it->c);
        line.box = line.box.United(it->c->box);
        line.size = std::max(line.size, SizeOf(page, *it->c));
    }
    std::stable_sort(chars.begin(), chars.end(),
                     [](const RawChar* a, const RawChar* b) { return a->box.x0 < b->box.x0; });
    SplitIntoSpans(page, chars, &line);
    return line;
}

// "•", "1.", "a)", "(iv)", "一、": a span that holds nothing but what starts a list item.
bool IsListMarker(const TextSpan& span) {
    if (span.text.empty() || span.text.size() >= kMarkerChars)
        return false;
    // The recogniser wants the text the marker introduces; any word after a space will do.
    std::vector<RawChar> chars(span.text.size() + 2);
    for (std::size_t i = 0; i < span.text.size(); ++i)
        chars[i].code = span.text[i];
    chars[span.text.size()].code = U' ';
    chars.back().code = U'X';
    const std::optional<ListMarker> marker = FindListMarker(chars);
    return marker && marker->length == span.text.size() + 1;
}

// A list item set as a table would be: a marker in a span of its own, then the item's text.
bool IsListItem(const SpannedLine& line) {
    return line.spans.size() == 2 && IsListMarker(line.spans.front());
}

bool IsLowerCase(char32_t code) {
    return code >= U'a' && code <= U'z';
}

constexpr double kEdgeTolerance = 2.0;

struct Edge {
    double at = 0;
    std::size_t support = 0;  // how many values lie near it
};

// The value that most of `values` (two thirds at least) lie near, if there is one.
std::optional<Edge> CommonEdge(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    std::size_t best = 0;
    std::size_t best_start = 0;
    std::size_t start = 0;
    for (std::size_t end = 0; end < values.size(); ++end) {
        while (values[end] - values[start] > 2 * kEdgeTolerance)
            ++start;
        if (end - start + 1 > best) {
            best = end - start + 1;
            best_start = start;
        }
    }
    if (values.empty() || 3 * best < 2 * values.size())
        return std::nullopt;
    return Edge{(values[best_start] + values[best_start + best - 1]) / 2, best};
}

bool StartsNumeric(const std::u32string& text) {
    const char32_t first = text.empty() ? 0 : text.front();
    return (first >= U'0' && first <= U'9') || first == U'-' || first == U'+' || first == U'$' ||
           first == U'€' || first == U'£' || first == U'¥' || first == U'(';
}

// Left, right or centre, whichever edge most of the column's text shares. Numbers of one
// width share both sides: they count as right-aligned, as numbers are set.
std::optional<ColumnAlignment> AlignmentOf(std::span<const SpannedLine> lines,
                                           const std::vector<ColumnExtent>& columns, int column) {
    std::vector<double> lefts;
    std::vector<double> rights;
    std::vector<double> centres;
    std::size_t numbers = 0;
    for (const SpannedLine& line : lines) {
        for (const TextSpan& span : line.spans) {
            if (ColumnOf(columns, span) != column)
                continue;
            lefts.push_back(span.box.x0);
            rights.push_back(span.box.x1);
            centres.push_back(span.box.CenterX());
            numbers += StartsNumeric(span.text) ? 1 : 0;
        }
    }
    if (lefts.size() < 2)
        return std::nullopt;
    const std::optional<Edge> left = CommonEdge(lefts);
    const std::optional<Edge> right = CommonEdge(rights);
    const bool numeric = 2 * numbers > lefts.size();
    if (right &&
        (!left || right->support > left->support || (right->support == left->support && numeric)))
        return ColumnAlignment{Align::kRight, right->at};
    if (left)
        return ColumnAlignment{Align::kLeft, left->at};
    if (const std::optional<Edge> centre = CommonEdge(centres))
        return ColumnAlignment{Align::kCenter, centre->at};
    return std::nullopt;
}

void ApplyAlignment(const ColumnAlignment& alignment, Cell* cell) {
    for (Paragraph& paragraph : cell->paragraphs) {
        const double at = alignment.align == Align::kLeft    ? paragraph.box.x0
                          : alignment.align == Align::kRight ? paragraph.box.x1
                                                             : paragraph.box.CenterX();
        if (std::abs(at - alignment.edge) <= 2 * kEdgeTolerance)
            paragraph.align = alignment.align;
    }
}

}  // namespace

std::vector<SpannedLine> TextLinesOf(const RawPage& page,
                                     const std::function<bool(const RawChar&)>& keep) {
    std::vector<Piece> pieces;
    for (const RawLine& raw : page.lines)
        for (const RawChar& c : raw.chars)
            if (!IsBlank(c.code) && IsFinite(c.box) && !c.box.IsEmpty() &&
                std::isfinite(raw.baseline) && keep(c))
                pieces.push_back({&c, raw.baseline});
    std::stable_sort(pieces.begin(), pieces.end(),
                     [](const Piece& a, const Piece& b) { return a.baseline < b.baseline; });
    std::vector<SpannedLine> lines;
    auto start = pieces.cbegin();
    while (start != pieces.cend()) {
        const double reach = 0.3 * SizeOf(page, *start->c);
        auto end = start + 1;
        while (end != pieces.cend() && end->baseline - start->baseline <= reach)
            ++end;
        lines.push_back(MakeLine(page, start, end));
        start = end;
    }
    return lines;
}

std::vector<ColumnExtent> ColumnExtents(std::span<const SpannedLine> lines) {
    std::vector<ColumnExtent> ranges;
    for (const SpannedLine& line : lines)
        for (const TextSpan& span : line.spans)
            ranges.push_back({span.box.x0, span.box.x1});
    std::sort(ranges.begin(), ranges.end(),
              [](const ColumnExtent& a, const ColumnExtent& b) { return a.x0 < b.x0; });
    std::vector<ColumnExtent> columns;
    for (const ColumnExtent& range : ranges) {
        if (!columns.empty() && range.x0 < columns.back().x1 + 1.0) {
            columns.back().x1 = std::max(columns.back().x1, range.x1);
            continue;
        }
        columns.push_back(range);
    }
    return columns;
}

int ColumnOf(const std::vector<ColumnExtent>& columns, const TextSpan& span) {
    const double x = span.box.CenterX();
    for (std::size_t i = 0; i < columns.size(); ++i)
        if (x >= columns[i].x0 && x <= columns[i].x1)
            return static_cast<int>(i);
    return -1;
}

std::vector<TextRow> RowsOf(std::span<const SpannedLine> lines,
                            const std::vector<ColumnExtent>& columns) {
    std::vector<TextRow> rows;
    const SpannedLine* previous = nullptr;
    for (const SpannedLine& line : lines) {
        TextRow row{line.box.y0, line.box.y1, std::vector<bool>(columns.size(), false)};
        int filled = 0;
        bool continues =
            previous != nullptr && line.baseline - previous->baseline <= 1.6 * previous->size;
        for (const TextSpan& span : line.spans) {
            const int column = ColumnOf(columns, span);
            if (column < 0 || row.filled[column])
                continue;
            row.filled[column] = true;
            ++filled;
            continues = continues && rows.back().filled[column] &&
                        (column > 0 || IsLowerCase(span.text.front()));
        }
        continues = continues && filled > 0 && 2 * filled <= static_cast<int>(columns.size());
        previous = &line;
        if (!continues) {
            rows.push_back(std::move(row));
            continue;
        }
        rows.back().bottom = std::max(rows.back().bottom, row.bottom);
    }
    return rows;
}

bool LooksTabular(std::span<const SpannedLine> lines, const std::vector<ColumnExtent>& columns,
                  const std::vector<TextRow>& rows, int min_rows) {
    if (columns.size() < 2)
        return false;
    const int full_rows = static_cast<int>(std::count_if(rows.begin(), rows.end(), [](auto& r) {
        return std::count(r.filled.begin(), r.filled.end(), true) >= 2;
    }));
    if (full_rows < min_rows)
        return false;
    int spans = 0;
    int wordy_spans = 0;
    int chars = 0;
    int monospace_chars = 0;
    bool list = true;
    for (const SpannedLine& line : lines) {
        chars += line.chars;
        monospace_chars += line.monospace_chars;
        for (const TextSpan& span : line.spans) {
            ++spans;
            wordy_spans += span.words >= 5 ? 1 : 0;
        }
        list = list && (line.spans.size() < 2 || IsListItem(line));
    }
    const bool prose = 5 * wordy_spans > 2 * spans;
    const bool code = 2 * monospace_chars > chars;
    return !prose && !list && !code;
}

std::vector<ColumnAlignment> ColumnAlignments(std::span<const SpannedLine> lines,
                                              const std::vector<ColumnExtent>& columns) {
    std::vector<ColumnAlignment> alignments;
    for (std::size_t column = 0; column < columns.size(); ++column) {
        const std::optional<ColumnAlignment> alignment =
            AlignmentOf(lines, columns, static_cast<int>(column));
        if (!alignment)
            return {};
        alignments.push_back(*alignment);
    }
    return alignments;
}

std::vector<double> ColumnLines(const std::vector<ColumnExtent>& columns, double left,
                                double right) {
    std::vector<double> xs{left};
    for (std::size_t i = 1; i < columns.size(); ++i)
        xs.push_back((columns[i - 1].x1 + columns[i].x0) / 2);
    xs.push_back(right);
    return xs;
}

namespace {

// Rows further apart than this many times their text's size are spaced out, not set at a pitch.
constexpr double kLargestRowPitch = 1.6;

// A table without rules is lines of text at one pitch: its single lines keep that pitch, or a
// reader's face with a taller line than the PDF's would stretch every row.
void KeepRowPitch(Table* table) {
    std::vector<double> heights = table->row_heights;
    if (heights.empty())
        return;
    std::nth_element(heights.begin(), heights.begin() + heights.size() / 2, heights.end());
    const double pitch = heights[heights.size() / 2];
    double largest = 0;
    for (const Cell& cell : table->cells)
        for (const Paragraph& paragraph : cell.paragraphs)
            for (const TextRun& run : paragraph.runs)
                largest = std::max(largest, run.font.size);
    if (largest <= 0 || pitch > kLargestRowPitch * largest)
        return;
    for (Cell& cell : table->cells)
        for (Paragraph& paragraph : cell.paragraphs)
            paragraph.usual_pitch = paragraph.line_pitch > 0 ? 0 : pitch;
}

}  // namespace

Table UniformTable(const RawPage& page, const std::vector<double>& xs,
                   const std::vector<double>& ys, bool ruled,
                   const std::vector<ColumnAlignment>& alignments) {
    Table table;
    table.ruled = ruled;
    table.box = {xs.front(), ys.front(), xs.back(), ys.back()};
    for (std::size_t c = 1; c < xs.size(); ++c)
        table.column_widths.push_back(xs[c] - xs[c - 1]);
    for (std::size_t r = 1; r < ys.size(); ++r)
        table.row_heights.push_back(ys[r] - ys[r - 1]);
    for (std::size_t r = 0; r + 1 < ys.size(); ++r) {
        for (std::size_t c = 0; c + 1 < xs.size(); ++c) {
            Cell cell;
            cell.row = static_cast<int>(r);
            cell.column = static_cast<int>(c);
            cell.box = {xs[c], ys[r], xs[c + 1], ys[r + 1]};
            cell.shading = ShadingOf(page, cell.box);
            table.cells.push_back(std::move(cell));
        }
    }
    FillCellText(page, xs, ys, &table);
    for (Cell& cell : table.cells)
        if (static_cast<std::size_t>(cell.column) < alignments.size())
            ApplyAlignment(alignments[cell.column], &cell);
    if (!ruled)
        KeepRowPitch(&table);
    return table;
}

}  // namespace reconstruct
