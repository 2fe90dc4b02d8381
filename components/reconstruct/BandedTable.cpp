#include "reconstruct/BandedTable.h"

#include <algorithm>
#include <cmath>

#include "reconstruct/TextTable.h"

namespace reconstruct {
namespace {

// Lines shorter than this are underlines and separators of words, not table rules.
constexpr double kMinRuleLength = 36;
// Lines tried as the bottom of a table starting at one line: bounds the work on a page of
// many equal lines.
constexpr std::size_t kMaxBottoms = 32;
// Frames tried on one page at most: each try reads the page's text.
constexpr int kMaxTries = 256;

struct RowLines {
    std::vector<double> ys;
    std::vector<double> widths;
    std::vector<TextRow> rows;
};

// Row boundaries inside one band: the band's lines, and between rows the middle of the gap.
void AddBand(double top, double bottom, double top_width, std::span<const SpannedLine> lines,
             const std::vector<ColumnExtent>& columns, RowLines* out) {
    out->ys.push_back(top);
    out->widths.push_back(top_width);
    const std::vector<TextRow> rows = RowsOf(lines, columns);
    for (std::size_t i = 1; i < rows.size(); ++i) {
        out->ys.push_back((rows[i - 1].bottom + rows[i].top) / 2);
        out->widths.push_back(0);
    }
    out->rows.insert(out->rows.end(), rows.begin(), rows.end());
    if (rows.empty())
        out->rows.push_back({top, bottom, std::vector<bool>(columns.size(), false)});
}

bool SameExtent(const RulingLine& a, const RulingLine& b) {
    const double tolerance = std::max(3.0, 0.02 * a.Length());
    return std::abs(a.from - b.from) <= tolerance && std::abs(a.to - b.to) <= tolerance;
}

BandFrame FrameOf(const std::vector<RulingLine>& rules) {
    BandFrame frame;
    frame.left = rules.front().from;
    frame.right = rules.front().to;
    for (const RulingLine& rule : rules) {
        frame.ys.push_back(rule.pos);
        frame.widths.push_back(rule.width);
        if (rule.width > 0)
            frame.color = rule.color;
    }
    return frame;
}

}  // namespace

std::optional<Table> BandedTable(const RawPage& page, const BandFrame& frame) {
    if (frame.ys.size() < 2 || frame.widths.size() != frame.ys.size() || frame.right <= frame.left)
        return std::nullopt;
    const Rect area{frame.left, frame.ys.front(), frame.right, frame.ys.back()};
    const std::vector<SpannedLine> lines = TextLinesOf(
        page, [&](const RawChar& c) { return area.Contains(c.box.CenterX(), c.box.CenterY()); });
    const std::vector<ColumnExtent> columns = ColumnExtents(lines);
    if (columns.size() < 2)
        return std::nullopt;
    RowLines grid;
    auto line = lines.begin();
    for (std::size_t band = 0; band + 1 < frame.ys.size(); ++band) {
        auto first = line;
        while (line != lines.end() && line->box.CenterY() < frame.ys[band + 1])
            ++line;
        AddBand(frame.ys[band], frame.ys[band + 1], frame.widths[band], {first, line}, columns,
                &grid);
    }
    grid.ys.push_back(frame.ys.back());
    grid.widths.push_back(frame.widths.back());
    if (!LooksTabular(lines, columns, grid.rows, 2))
        return std::nullopt;
    Table table = UniformTable(page, ColumnLines(columns, frame.left, frame.right), grid.ys, true,
                               ColumnAlignments(lines, columns));
    const int last_column = static_cast<int>(columns.size()) - 1;
    for (Cell& cell : table.cells) {
        cell.borders.top = grid.widths[cell.row];
        cell.borders.bottom = grid.widths[cell.row + 1];
        cell.borders.left = cell.column == 0 ? frame.side_width : 0;
        cell.borders.right = cell.column == last_column ? frame.side_width : 0;
        cell.borders.color = frame.color;
    }
    return table;
}

std::vector<Table> FindBandedTables(const RawPage& page, std::vector<RulingLine> horizontals) {
    std::erase_if(horizontals, [](const RulingLine& s) { return s.Length() < kMinRuleLength; });
    std::sort(horizontals.begin(), horizontals.end(),
              [](const RulingLine& a, const RulingLine& b) { return a.pos < b.pos; });
    std::vector<Table> tables;
    std::vector<bool> used(horizontals.size(), false);
    int tries = 0;
    for (std::size_t top = 0; top < horizontals.size() && tries < kMaxTries; ++top) {
        if (used[top])
            continue;
        std::vector<std::size_t> chain{top};
        for (std::size_t next = top + 1; next < horizontals.size() && chain.size() <= kMaxBottoms;
             ++next)
            if (!used[next] && SameExtent(horizontals[top], horizontals[next]))
                chain.push_back(next);
        for (std::size_t count = chain.size(); count >= 2 && tries < kMaxTries; --count) {
            ++tries;
            std::vector<RulingLine> rules;
            for (std::size_t i = 0; i < count; ++i)
                rules.push_back(horizontals[chain[i]]);
            std::optional<Table> table = BandedTable(page, FrameOf(rules));
            if (!table)
                continue;
            tables.push_back(std::move(*table));
            for (std::size_t i = 0; i < count; ++i)
                used[chain[i]] = true;
            break;
        }
    }
    return tables;
}

}  // namespace reconstruct
