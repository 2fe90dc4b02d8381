#include "reconstruct/RuledGrid.h"

#include <algorithm>
#include <numeric>
#include <optional>

#include "reconstruct/BandedTable.h"
#include "reconstruct/CellText.h"

namespace reconstruct {
namespace {

// Grid lines closer than this are one line: pieces drawn a point off, or a double border.
constexpr double kGridSnap = 2.5;
// Crossing tests between all horizontal and all vertical lines: beyond this the page is a
// drawing, not a table.
constexpr std::size_t kMaxCrossingTests = 16'000'000;
constexpr std::size_t kMaxColumns = 100;
constexpr std::size_t kMaxRows = 500;

class Components {
public:
    explicit Components(std::size_t count) : parent_(count) {
        std::iota(parent_.begin(), parent_.end(), 0);
    }
    std::size_t Root(std::size_t i) {
        while (parent_[i] != i)
            i = parent_[i] = parent_[parent_[i]];
        return i;
    }
    void Join(std::size_t a, std::size_t b) { parent_[Root(a)] = Root(b); }

private:
    std::vector<std::size_t> parent_;
};

bool Crosses(const RulingLine& h, const RulingLine& v) {
    return v.pos >= h.from - kRuleTolerance && v.pos <= h.to + kRuleTolerance &&
           h.pos >= v.from - kRuleTolerance && h.pos <= v.to + kRuleTolerance;
}

// One drawn side of a grid cell; width < 0 where nothing is drawn.
struct Edge {
    double width = -1;
    Rgb color;
};

class Grid {
public:
    Grid(const RawPage& page, std::vector<const RulingLine*> horizontals,
         std::vector<const RulingLine*> verticals)
        : page_(page), horizontals_(std::move(horizontals)), verticals_(std::move(verticals)) {}

    std::optional<Table> Build() {
        xs_ = Lines(verticals_, horizontals_);
        ys_ = Lines(horizontals_, verticals_);
        if (xs_.size() < 2 || ys_.size() < 2 || xs_.size() > kMaxColumns + 1 ||
            ys_.size() > kMaxRows + 1)
            return std::nullopt;
        columns_ = xs_.size() - 1;
        rows_ = ys_.size() - 1;
        MapEdges();
        if (columns_ == 1)
            return SingleColumn();
        return Validated(MergedTable());
    }

private:
    // Positions of the lines of one direction: where they are drawn, and where the lines
    // across end beyond them (a grid open at its sides).
    static std::vector<double> Lines(const std::vector<const RulingLine*>& along,
                                     const std::vector<const RulingLine*>& across) {
        std::vector<double> values;
        double low = 1e300;
        double high = -1e300;
        for (const RulingLine* s : along) {
            values.push_back(s->pos);
            low = std::min(low, s->pos);
            high = std::max(high, s->pos);
        }
        for (const RulingLine* s : across) {
            if (s->from < low - kGridSnap)
                values.push_back(s->from);
            if (s->to > high + kGridSnap)
                values.push_back(s->to);
        }
        return SnapPositions(std::move(values), kGridSnap);
    }

    // Marks the cell sides each line draws: a line draws a side when it covers most of it.
    static void Mark(const std::vector<const RulingLine*>& segments, const std::vector<double>& at,
                     const std::vector<double>& along, std::vector<Edge>* edges) {
        const std::size_t spans = along.size() - 1;
        for (const RulingLine* s : segments) {
            const int line = NearestPosition(at, s->pos, kGridSnap);
            if (line < 0)
                continue;
            for (std::size_t i = 0; i < spans; ++i) {
                const double covered = std::min(s->to, along[i + 1]) - std::max(s->from, along[i]);
                if (covered < 0.75 * (along[i + 1] - along[i]))
                    continue;
                Edge& edge = (*edges)[line * spans + i];
                if (s->width > edge.width)
                    edge = {s->width, s->color};
            }
        }
    }

    void MapEdges() {
        across_.assign((rows_ + 1) * columns_, {});
        down_.assign((columns_ + 1) * rows_, {});
        Mark(horizontals_, ys_, xs_, &across_);
        Mark(verticals_, xs_, ys_, &down_);
    }

    bool Drawn(const std::vector<Edge>& edges, std::size_t index) const {
        return edges[index].width >= 0;
    }
    const Edge& Across(std::size_t line, std::size_t column) const {
        return across_[line * columns_ + column];
    }
    const Edge& Down(std::size_t line, std::size_t row) const { return down_[line * rows_ + row]; }

    // The widest of the edges of one cell side, and its colour.
    static void Widest(const Edge& edge, double* width, Rgb* color, double* widest) {
        const double drawn = std::max(edge.width, 0.0);
        *width = std::max(*width, drawn);
        if (drawn > *widest) {
            *widest = drawn;
            *color = edge.color;
        }
    }

    Cell MakeCell(std::size_t r, std::size_t c, std::size_t row_span, std::size_t column_span) {
        Cell cell;
        cell.row = static_cast<int>(r);
        cell.column = static_cast<int>(c);
        cell.row_span = static_cast<int>(row_span);
        cell.column_span = static_cast<int>(column_span);
        cell.box = {xs_[c], ys_[r], xs_[c + column_span], ys_[r + row_span]};
        cell.shading = ShadingOf(page_, cell.box);
        double widest = 0;
        CellBorders& b = cell.borders;
        for (std::size_t k = c; k < c + column_span; ++k) {
            Widest(Across(r, k), &b.top, &b.color, &widest);
            Widest(Across(r + row_span, k), &b.bottom, &b.color, &widest);
        }
        for (std::size_t k = r; k < r + row_span; ++k) {
            Widest(Down(c, k), &b.left, &b.color, &widest);
            Widest(Down(c + column_span, k), &b.right, &b.color, &widest);
        }
        return cell;
    }

    // Cells in row-major order; a cell grows right while no line separates it from its
    // neighbour, then down while no line separates the whole row of it from the row below.
    Table MergedTable() {
        Table table;
        table.box = {xs_.front(), ys_.front(), xs_.back(), ys_.back()};
        for (std::size_t c = 0; c < columns_; ++c)
            table.column_widths.push_back(xs_[c + 1] - xs_[c]);
        for (std::size_t r = 0; r < rows_; ++r)
            table.row_heights.push_back(ys_[r + 1] - ys_[r]);
        std::vector<bool> taken(rows_ * columns_, false);
        for (std::size_t r = 0; r < rows_; ++r) {
            for (std::size_t c = 0; c < columns_; ++c) {
                if (taken[r * columns_ + c])
                    continue;
                std::size_t width = 1;
                while (c + width < columns_ && !taken[r * columns_ + c + width] &&
                       !Drawn(down_, (c + width) * rows_ + r))
                    ++width;
                std::size_t height = 1;
                while (r + height < rows_ && RowBelowJoins(r + height, c, width, taken))
                    ++height;
                for (std::size_t i = r; i < r + height; ++i)
                    for (std::size_t k = c; k < c + width; ++k)
                        taken[i * columns_ + k] = true;
                table.cells.push_back(MakeCell(r, c, height, width));
            }
        }
        FillCellText(page_, xs_, ys_, &table);
        return table;
    }

    bool RowBelowJoins(std::size_t row, std::size_t c, std::size_t width,
                       const std::vector<bool>& taken) const {
        for (std::size_t k = c; k < c + width; ++k)
            if (taken[row * columns_ + k] || Drawn(across_, row * columns_ + k))
                return false;
        return true;
    }

    bool AnyVisibleEdge() const {
        auto visible = [](const Edge& e) { return e.width > 0; };
        return std::any_of(across_.begin(), across_.end(), visible) ||
               std::any_of(down_.begin(), down_.end(), visible);
    }

    // A frame around the page holds the page, not a table: it is large and so are its cells.
    bool FramesPage(const Table& table) const {
        const double page_area = page_.width * page_.height;
        if (table.box.Width() < 0.8 * page_.width || table.box.Height() < 0.8 * page_.height)
            return false;
        return std::any_of(table.cells.begin(), table.cells.end(), [&](const Cell& cell) {
            return cell.box.Width() * cell.box.Height() > 0.4 * page_area;
        });
    }

    std::optional<Table> Validated(Table table) const {
        const bool has_text =
            std::any_of(table.cells.begin(), table.cells.end(),
                        [](const Cell& cell) { return !cell.paragraphs.empty(); });
        const std::size_t needed = AnyVisibleEdge() ? 2 : 4;
        if (table.cells.size() < needed || !has_text || FramesPage(table))
            return std::nullopt;
        return table;
    }

    // Lines only across (and the two sides): the columns, if any, come from the text.
    std::optional<Table> SingleColumn() {
        BandFrame frame;
        frame.left = xs_.front();
        frame.right = xs_.back();
        for (std::size_t line = 0; line <= rows_; ++line) {
            const Edge& edge = Across(line, 0);
            if (edge.width < 0)
                continue;
            frame.ys.push_back(ys_[line]);
            frame.widths.push_back(edge.width);
            if (edge.width > 0)
                frame.color = edge.color;
        }
        for (std::size_t r = 0; r < rows_; ++r)
            frame.side_width = std::max({frame.side_width, Down(0, r).width, Down(1, r).width});
        if (std::optional<Table> banded = BandedTable(page_, frame))
            return banded;
        return Validated(MergedTable());
    }

    const RawPage& page_;
    std::vector<const RulingLine*> horizontals_;
    std::vector<const RulingLine*> verticals_;
    std::vector<double> xs_;
    std::vector<double> ys_;
    std::size_t columns_ = 0;
    std::size_t rows_ = 0;
    std::vector<Edge> across_;  // (rows + 1) lines × columns
    std::vector<Edge> down_;    // (columns + 1) lines × rows
};

}  // namespace

RuledGrids FindRuledGrids(const RawPage& page, const std::vector<RulingLine>& segments) {
    RuledGrids result;
    std::vector<std::size_t> horizontal;
    std::vector<std::size_t> vertical;
    for (std::size_t i = 0; i < segments.size(); ++i)
        (segments[i].horizontal ? horizontal : vertical).push_back(i);
    if (horizontal.size() * vertical.size() > kMaxCrossingTests)
        return result;
    Components components(segments.size());
    for (std::size_t h : horizontal)
        for (std::size_t v : vertical)
            if (Crosses(segments[h], segments[v]))
                components.Join(h, v);
    std::vector<std::vector<const RulingLine*>> across(segments.size());
    std::vector<std::vector<const RulingLine*>> down(segments.size());
    for (std::size_t i = 0; i < segments.size(); ++i)
        (segments[i].horizontal ? across : down)[components.Root(i)].push_back(&segments[i]);
    for (std::size_t root = 0; root < segments.size(); ++root) {
        if (across[root].empty())
            continue;
        std::optional<Table> table;
        if (!down[root].empty())
            table = Grid(page, across[root], down[root]).Build();
        if (table) {
            result.tables.push_back(std::move(*table));
            continue;
        }
        for (const RulingLine* s : across[root])
            result.loose_horizontals.push_back(*s);
    }
    return result;
}

}  // namespace reconstruct
