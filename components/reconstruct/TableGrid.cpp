#include "reconstruct/TableGrid.h"

#include <algorithm>

namespace reconstruct {

TableGrid::TableGrid(const Table& table, int max_rows, int max_columns) {
    rows_ = static_cast<int>(std::min<std::size_t>(table.row_heights.size(), max_rows));
    columns_ = static_cast<int>(std::min<std::size_t>(table.column_widths.size(), max_columns));
    for (const Cell& cell : table.cells) {
        if (table.row_heights.empty())
            rows_ = std::max(rows_, std::min(cell.row, max_rows - 1) + 1);
        if (table.column_widths.empty())
            columns_ = std::max(columns_, std::min(cell.column, max_columns - 1) + 1);
    }
    owners_.assign(static_cast<std::size_t>(rows_) * columns_, -1);
    placed_of_cell_.assign(table.cells.size(), -1);
    for (std::size_t i = 0; i < table.cells.size(); ++i)
        Place(table.cells[i], static_cast<int>(i));
}

bool TableGrid::Place(const Cell& cell, int index) {
    if (cell.row < 0 || cell.column < 0 || cell.row >= rows_ || cell.column >= columns_)
        return false;
    Placed placed{index, cell.row, cell.column, 0, 0};
    placed.last_row = cell.row + std::clamp(cell.row_span, 1, rows_ - cell.row) - 1;
    placed.last_column = cell.column + std::clamp(cell.column_span, 1, columns_ - cell.column) - 1;
    for (int r = placed.row; r <= placed.last_row; ++r) {
        for (int c = placed.column; c <= placed.last_column; ++c) {
            if (owners_[Index(r, c)] >= 0)
                return false;
        }
    }
    for (int r = placed.row; r <= placed.last_row; ++r)
        std::fill_n(owners_.begin() + Index(r, placed.column),
                    placed.last_column - placed.column + 1, index);
    placed_of_cell_[index] = static_cast<int>(placed_.size());
    placed_.push_back(placed);
    return true;
}

}  // namespace reconstruct
