#include "reconstruct/WordTableXml.h"

#include <algorithm>
#include <cmath>
#include <numeric>
#include <vector>

#include "reconstruct/OoxmlPackage.h"
#include "reconstruct/TableSegments.h"

namespace reconstruct {
namespace {

constexpr std::size_t kMaxColumns = 63;  // Word's own limit
constexpr std::size_t kMaxPositions = 100000;

// A cell where it lands in the grid, its spans cut to the grid and to positions still free.
struct PlacedCell {
    const Cell* cell = nullptr;
    int row = 0;
    int column = 0;
    int row_span = 1;
    int column_span = 1;
};

class Grid {
public:
    Grid(int rows, int columns)
        : rows_(rows), columns_(columns), owners_(static_cast<std::size_t>(rows) * columns, -1) {}

    void Place(const Cell& cell) {
        if (cell.row < 0 || cell.row >= rows_ || cell.column < 0 || cell.column >= columns_ ||
            Owner(cell.row, cell.column) >= 0)
            return;
        PlacedCell placed{&cell, cell.row, cell.column, 1, 1};
        const int most_columns = std::clamp(cell.column_span, 1, columns_ - cell.column);
        while (placed.column_span < most_columns &&
               Free(cell.row, cell.column + placed.column_span))
            ++placed.column_span;
        const int most_rows = std::clamp(cell.row_span, 1, rows_ - cell.row);
        while (placed.row_span < most_rows && RowFree(placed, cell.row + placed.row_span))
            ++placed.row_span;
        for (int r = 0; r < placed.row_span; ++r) {
            for (int c = 0; c < placed.column_span; ++c)
                owners_[Index(placed.row + r, placed.column + c)] = static_cast<int>(cells_.size());
        }
        cells_.push_back(placed);
    }

    // The cell covering a position, nullptr for a position no cell covers.
    const PlacedCell* At(int row, int column) const {
        const int owner = Owner(row, column);
        return owner < 0 ? nullptr : &cells_[owner];
    }

private:
    std::size_t Index(int row, int column) const {
        return static_cast<std::size_t>(row) * columns_ + column;
    }
    int Owner(int row, int column) const { return owners_[Index(row, column)]; }
    bool Free(int row, int column) const { return Owner(row, column) < 0; }
    bool RowFree(const PlacedCell& placed, int row) const {
        for (int c = 0; c < placed.column_span; ++c) {
            if (!Free(row, placed.column + c))
                return false;
        }
        return true;
    }

    int rows_;
    int columns_;
    std::vector<int> owners_;
    std::vector<PlacedCell> cells_;
};

std::string BordersXml(const CellBorders& borders) {
    return "<w:tcBorders>" + BorderXml("top", borders.top, borders.color) +
           BorderXml("left", borders.left, borders.color) +
           BorderXml("bottom", borders.bottom, borders.color) +
           BorderXml("right", borders.right, borders.color) + "</w:tcBorders>";
}

std::string NoTableBordersXml() {
    std::string xml = "<w:tblBorders>";
    for (const char* side : {"top", "left", "bottom", "right", "insideH", "insideV"})
        xml += std::string("<w:") + side + " w:val=\"nil\"/>";
    return xml + "</w:tblBorders>";
}

constexpr char kEmptyCellParagraph[] =
    "<w:p><w:pPr><w:spacing w:before=\"0\" w:after=\"0\"/></w:pPr></w:p>";

class TableWriter {
public:
    TableWriter(const Table& table, std::vector<long> widths, WordContext& context)
        : table_(table), widths_(std::move(widths)), context_(context) {}

    std::string CellXml(const Grid& grid, int row, int column, int* advance) const {
        const PlacedCell* placed = grid.At(row, column);
        if (placed == nullptr) {
            *advance = 1;
            return "<w:tc><w:tcPr><w:tcW w:w=\"" + std::to_string(widths_[column]) +
                   "\" w:type=\"dxa\"/></w:tcPr>" + kEmptyCellParagraph + "</w:tc>";
        }
        *advance = placed->column_span;
        const bool first_row = placed->row == row;
        std::string xml = "<w:tc><w:tcPr><w:tcW w:w=\"" + std::to_string(SpanWidth(*placed)) +
                          "\" w:type=\"dxa\"/>";
        if (placed->column_span > 1)
            xml += "<w:gridSpan w:val=\"" + std::to_string(placed->column_span) + "\"/>";
        if (placed->row_span > 1)
            xml += first_row ? "<w:vMerge w:val=\"restart\"/>" : "<w:vMerge/>";
        if (table_.ruled)
            xml += BordersXml(placed->cell->borders);
        if (placed->cell->shading)
            xml += "<w:shd w:val=\"clear\" w:color=\"auto\" w:fill=\"" +
                   HexColor(*placed->cell->shading) + "\"/>";
        xml += "</w:tcPr>" + (first_row ? ContentXml(*placed->cell) : kEmptyCellParagraph);
        return xml + "</w:tc>";
    }

private:
    long SpanWidth(const PlacedCell& placed) const {
        return std::accumulate(widths_.begin() + placed.column,
                               widths_.begin() + placed.column + placed.column_span, 0L);
    }

    std::string ContentXml(const Cell& cell) const {
        if (cell.paragraphs.empty())
            return kEmptyCellParagraph;
        std::string xml;
        for (const Paragraph& paragraph : cell.paragraphs)
            xml += ParagraphXml(paragraph, BreakBefore::kNone, context_);
        return xml;
    }

    const Table& table_;
    std::vector<long> widths_;
    WordContext& context_;
};

// Word's own cell margin, left and right, in points: what the table style gives.
constexpr double kDefaultCellMargin = 5.4;
// Text set deeper in its cells than this is placed by its alignment, not by a margin.
constexpr double kMaxCellMargin = 14.4;

// How much wider than in the PDF a cell's text may set: sizes are rounded to half points and a
// reader's face may run a little wide.
constexpr double kWiderText = 1.04;

struct CellMargins {
    double left = kDefaultCellMargin;
    double right = kDefaultCellMargin;
};

// A low quartile: most cells keep their text at least this far in, and the few that sit
// deeper (indented lines, text placed loosely) do not pull the margin along.
double LowQuartile(std::vector<double> values) {
    const auto at = values.begin() + static_cast<std::ptrdiff_t>(values.size() / 4);
    std::nth_element(values.begin(), at, values.end());
    return *at;
}

bool Measurable(const Rect& box) {
    return IsFinite(box) && box.Width() > 0;
}

// The margins that put the text of the cells where the PDF had it: how far left-aligned text
// sat in from the left side of its cell, and right-aligned text from the right side. A side
// without such text takes the other side's margin, as cells are padded alike on both sides;
// both sides together never take more room than the fullest cell left beside its text (set a
// little wider), so that no line wraps that did not wrap in the PDF.
CellMargins MeasuredMargins(const Table& table) {
    std::vector<double> lefts;
    std::vector<double> rights;
    double room = kWordMaxLength;
    for (const Cell& cell : table.cells) {
        if (!Measurable(cell.box))
            continue;
        for (const Paragraph& paragraph : cell.paragraphs) {
            if (!Measurable(paragraph.box))
                continue;
            room = std::min(room, cell.box.Width() - kWiderText * paragraph.box.Width());
            if (paragraph.align == Align::kRight)
                rights.push_back(cell.box.x1 - paragraph.box.x1);
            else if (paragraph.align != Align::kCenter)
                lefts.push_back(paragraph.box.x0 - cell.box.x0);
        }
    }
    if (lefts.empty() && rights.empty())
        return {};
    CellMargins margins;
    margins.left = std::clamp(LowQuartile(lefts.empty() ? rights : lefts), 0.0, kMaxCellMargin);
    margins.right = std::clamp(LowQuartile(rights.empty() ? lefts : rights), 0.0, kMaxCellMargin);
    room = std::max(room, 0.0);
    const double total = margins.left + margins.right;
    if (total > room) {
        margins.left *= room / total;
        margins.right *= room / total;
    }
    return margins;
}

std::string CellMarginsXml(const CellMargins& margins, double scale) {
    return "<w:tblCellMar><w:left w:w=\"" + std::to_string(Twips(margins.left * scale)) +
           "\" w:type=\"dxa\"/><w:right w:w=\"" + std::to_string(Twips(margins.right * scale)) +
           "\" w:type=\"dxa\"/></w:tblCellMar>";
}

// Column widths in points, each at least a point and at most Word's longest length.
std::vector<double> ColumnPoints(const std::vector<double>& widths, std::size_t columns) {
    std::vector<double> points(widths.begin(), widths.begin() + columns);
    for (double& width : points)
        width = std::clamp(std::isfinite(width) ? width : 0.0, 1.0, kWordMaxLength);
    return points;
}

// How much the table shrinks to fit the room it has: 1 when it fits.
double FitScale(const std::vector<double>& points, double available_width) {
    const double total = std::accumulate(points.begin(), points.end(), 0.0);
    return available_width > 0 && total > available_width ? available_width / total : 1;
}

std::vector<long> ColumnTwips(const std::vector<double>& points, double scale) {
    std::vector<long> twips;
    for (const double width : points)
        twips.push_back(std::max(1L, Twips(width * scale)));
    return twips;
}

}  // namespace

std::string TableXml(const Table& table, double indent, double available_width,
                     WordContext& context) {
    const std::size_t columns = std::min(table.column_widths.size(), kMaxColumns);
    if (columns == 0 || table.row_heights.empty())
        return "";
    const std::size_t rows = std::min(table.row_heights.size(), kMaxPositions / columns);
    const std::vector<double> points = ColumnPoints(table.column_widths, columns);
    const double scale = FitScale(points, available_width);
    const std::vector<long> widths = ColumnTwips(points, scale);
    Grid grid(static_cast<int>(rows), static_cast<int>(columns));
    for (const Cell& cell : table.cells)
        grid.Place(cell);

    std::string xml = "<w:tbl><w:tblPr><w:tblW w:w=\"" +
                      std::to_string(std::accumulate(widths.begin(), widths.end(), 0L)) +
                      "\" w:type=\"dxa\"/><w:tblInd w:w=\"" +
                      std::to_string(BoundedTwips(std::max(0.0, indent))) + "\" w:type=\"dxa\"/>" +
                      NoTableBordersXml() + "<w:tblLayout w:type=\"fixed\"/>" +
                      CellMarginsXml(MeasuredMargins(table), scale) +
                      "<w:tblLook w:val=\"0000\"/></w:tblPr><w:tblGrid>";
    for (const long width : widths)
        xml += "<w:gridCol w:w=\"" + std::to_string(width) + "\"/>";
    xml += "</w:tblGrid>";
    const TableWriter writer(table, widths, context);
    for (std::size_t row = 0; row < rows; ++row) {
        const long height = BoundedTwips(std::max(0.0, table.row_heights[row]));
        xml += "<w:tr><w:trPr><w:trHeight w:val=\"" + std::to_string(height) +
               "\" w:hRule=\"atLeast\"/></w:trPr>";
        int advance = 1;
        for (std::size_t column = 0; column < columns; column += advance)
            xml += writer.CellXml(grid, static_cast<int>(row), static_cast<int>(column), &advance);
        xml += "</w:tr>";
    }
    return xml + "</w:tbl>";
}

}  // namespace reconstruct
