#include "reconstruct/AlignedTextTable.h"

#include <algorithm>
#include <cmath>
#include <span>

#include "reconstruct/TextTable.h"

namespace reconstruct {
namespace {

// Lines farther apart than this many line heights belong to different blocks.
constexpr double kMaxRowPitch = 2.5;
// Lines of a single span a block may hold in a row (wrapped cells), before it ends.
constexpr std::size_t kMaxSingleSpanRun = 2;
constexpr int kMinRows = 3;

bool Follows(const SpannedLine& previous, const SpannedLine& next) {
    const double pitch = next.baseline - previous.baseline;
    return pitch > 0 && pitch <= kMaxRowPitch * std::max(previous.size, next.size);
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
    BlockScanner(const RawPage& page, std::vector<Table>* tables) : page_(page), tables_(tables) {}

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
        if (!LooksTabular(lines, columns, rows, kMinRows))
            return;
        const std::vector<ColumnAlignment> alignments = ColumnAlignments(lines, columns);
        if (alignments.empty())
            return;
        tables_->push_back(UniformTable(page_,
                                        ColumnLines(columns, columns.front().x0, columns.back().x1),
                                        RowLines(rows), false, alignments));
    }

    const RawPage& page_;
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
    BlockScanner(page, &tables).Scan(lines);
    return tables;
}

}  // namespace reconstruct
