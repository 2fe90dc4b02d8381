#include "reconstruct/AlignedTextTable.h"

#include <algorithm>
#include <cmath>
#include <span>
#include <string_view>

#include "reconstruct/Numerals.h"
#include "reconstruct/TextTable.h"

namespace reconstruct {
namespace {

// Lines farther apart than this many line heights belong to different blocks.
constexpr double kMaxRowPitch = 2.5;
// Rows of a table with roomy cells stand farther apart; lines that keep the same column edges
// still belong together this far apart.
constexpr double kMaxSpacedRowPitch = 4.0;
constexpr double kEdgeTolerance = 2.0;
// Lines of a single span a block may hold in a row (wrapped cells), before it ends.
constexpr std::size_t kMaxSingleSpanRun = 2;
constexpr int kMinRows = 3;
// Contents entries: a title, dots leading to its page number.
constexpr int kMinLeaderDots = 3;
constexpr int kMinLeaderLines = 2;
constexpr std::size_t kLongestArabicPage = 4;

constexpr std::u32string_view kDots = U".·…．";

bool IsDot(char32_t code) {
    return kDots.find(code) != std::u32string_view::npos;
}

bool IsPageText(std::u32string_view text) {
    if (text.empty())
        return false;
    const bool arabic =
        text.size() <= kLongestArabicPage &&
        std::all_of(text.begin(), text.end(), [](char32_t c) { return c >= U'0' && c <= U'9'; });
    return arabic || RomanValue(text) > 0;
}

bool IsPageNumber(const TextSpan& span) {
    return span.words == 1 && IsPageText(span.text);
}

bool EndsInDots(std::u32string_view text) {
    const std::size_t kept = text.find_last_not_of(kDots);
    const std::size_t dots = text.size() - (kept == std::u32string_view::npos ? 0 : kept + 1);
    return dots >= static_cast<std::size_t>(kMinLeaderDots);
}

// Dots, then a page number: in a span of its own, or close enough to share the dots' span.
bool EndsInLeader(const SpannedLine& line) {
    const std::size_t n = line.spans.size();
    if (n == 0)
        return false;
    if (n >= 2 && IsPageNumber(line.spans[n - 1]) && EndsInDots(line.spans[n - 2].tail))
        return true;
    const std::u32string_view tail = line.spans.back().tail;
    std::size_t number = tail.size();
    while (number > 0 && !IsDot(tail[number - 1]))
        --number;
    return IsPageText(tail.substr(number)) && EndsInDots(tail.substr(0, number));
}

// A page of contents: some entries lead to their page number with dots.
bool IsContentsPage(std::span<const SpannedLine> lines) {
    return std::count_if(lines.begin(), lines.end(), EndsInLeader) >= kMinLeaderLines;
}

// Lines whose last column holds page numbers alone: on a contents page, entries set without
// dots (chapter titles spaced out as rows) rather than a table.
bool ListsPages(std::span<const SpannedLine> lines, const std::vector<ColumnExtent>& columns) {
    const int last = static_cast<int>(columns.size()) - 1;
    return std::all_of(lines.begin(), lines.end(), [&](const SpannedLine& line) {
        return line.spans.size() < 2 ||
               (IsPageNumber(line.spans.back()) && ColumnOf(columns, line.spans.back()) == last);
    });
}

bool OnEdgeOf(const TextSpan& span, const SpannedLine& line) {
    return std::any_of(line.spans.begin(), line.spans.end(), [&](const TextSpan& other) {
        return std::abs(other.box.x0 - span.box.x0) <= kEdgeTolerance ||
               std::abs(other.box.x1 - span.box.x1) <= kEdgeTolerance;
    });
}

// True when two spans of `next` or more start or end where spans of `previous` do.
bool SharesColumnEdges(const SpannedLine& previous, const SpannedLine& next) {
    const auto shared =
        std::count_if(next.spans.begin(), next.spans.end(),
                      [&](const TextSpan& span) { return OnEdgeOf(span, previous); });
    return shared >= 2;
}

bool Follows(const SpannedLine& previous, const SpannedLine& next) {
    const double pitch = next.baseline - previous.baseline;
    const double size = std::max(previous.size, next.size);
    if (!(pitch > 0))
        return false;
    return pitch <= kMaxRowPitch * size ||
           (pitch <= kMaxSpacedRowPitch * size && SharesColumnEdges(previous, next));
}

// True when `span` overlaps one column and comes near no other.
bool FitsOneColumn(const std::vector<ColumnExtent>& columns, const TextSpan& span) {
    const int column = ColumnOf(columns, span);
    if (column < 0)
        return false;
    const bool clear_left = column == 0 || span.box.x0 > columns[column - 1].x1;
    const bool clear_right = static_cast<std::size_t>(column) + 1 == columns.size() ||
                             span.box.x1 < columns[column + 1].x0;
    return clear_left && clear_right;
}

std::vector<double> RowLines(const std::vector<TextRow>& rows) {
    std::vector<double> ys{rows.front().top};
    for (std::size_t i = 1; i < rows.size(); ++i)
        ys.push_back((rows[i - 1].bottom + rows[i].top) / 2);
    ys.push_back(rows.back().bottom);
    return ys;
}

class BlockScanner {
public:
    BlockScanner(const RawPage& page, bool contents_page, std::vector<Table>* tables)
        : page_(page), contents_page_(contents_page), tables_(tables) {}

    // Lines that start and end with several spans, with few single-span lines between.
    void Scan(std::span<const SpannedLine> lines) {
        std::size_t i = 0;
        while (i < lines.size()) {
            if (lines[i].spans.size() < 2) {
                ++i;
                continue;
            }
            std::size_t last_multi = i;
            for (std::size_t j = i + 1; j < lines.size() && Follows(lines[j - 1], lines[j]); ++j) {
                if (lines[j].spans.size() >= 2)
                    last_multi = j;
                else if (j - last_multi > kMaxSingleSpanRun)
                    break;
            }
            SplitAtCrossingLines(lines.subspan(i, last_multi - i + 1));
            i = last_multi + 1;
        }
    }

private:
    // A single-span line that crosses the columns (a heading, a paragraph) ends a table.
    void SplitAtCrossingLines(std::span<const SpannedLine> block) {
        std::vector<SpannedLine> multi;
        for (const SpannedLine& line : block)
            if (line.spans.size() >= 2)
                multi.push_back(line);
        const std::vector<ColumnExtent> columns = ColumnExtents(multi);
        std::size_t start = 0;
        for (std::size_t k = 0; k <= block.size(); ++k) {
            const bool crosses = k < block.size() && block[k].spans.size() == 1 &&
                                 !FitsOneColumn(columns, block[k].spans.front());
            if (k < block.size() && !crosses)
                continue;
            Evaluate(Trimmed(block.subspan(start, k - start)));
            start = k + 1;
        }
    }

    static std::span<const SpannedLine> Trimmed(std::span<const SpannedLine> lines) {
        while (!lines.empty() && lines.front().spans.size() < 2)
            lines = lines.subspan(1);
        while (!lines.empty() && lines.back().spans.size() < 2)
            lines = lines.first(lines.size() - 1);
        return lines;
    }

    void Evaluate(std::span<const SpannedLine> lines) {
        if (lines.size() < static_cast<std::size_t>(kMinRows))
            return;
        const std::vector<ColumnExtent> columns = ColumnExtents(lines);
        const std::vector<TextRow> rows = RowsOf(lines, columns);
        if (!LooksTabular(lines, columns, rows, kMinRows) ||
            (contents_page_ && ListsPages(lines, columns)))
            return;
        const std::vector<ColumnAlignment> alignments = ColumnAlignments(lines, columns);
        if (alignments.empty())
            return;
        tables_->push_back(UniformTable(page_,
                                        ColumnLines(columns, columns.front().x0, columns.back().x1),
                                        RowLines(rows), false, alignments));
    }

    const RawPage& page_;
    bool contents_page_;
    std::vector<Table>* tables_;
};

}  // namespace

std::vector<Table> FindAlignedTextTables(const RawPage& page, const std::vector<Rect>& taken) {
    const std::vector<SpannedLine> lines = TextLinesOf(page, [&](const RawChar& c) {
        return std::none_of(taken.begin(), taken.end(), [&](const Rect& box) {
            return box.Contains(c.box.CenterX(), c.box.CenterY());
        });
    });
    std::vector<Table> tables;
    BlockScanner(page, IsContentsPage(lines), &tables).Scan(lines);
    return tables;
}

}  // namespace reconstruct
