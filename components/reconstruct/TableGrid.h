#pragma once

#include <vector>

#include "reconstruct/LayoutModel.h"

namespace reconstruct {

// A table's cells laid on its grid, as writers that address rows and columns need them: each
// grid position knows the cell covering it. The grid is the table's lines when it has them
// (else the extent of its cells), cut to a size limit; a cell outside the grid or overlapping
// an earlier one is left out, and spans are cut at the grid's edge, so that no layout mistake
// can make a writer emit overlapping merges.
class TableGrid {
public:
    struct Placed {
        int cell = 0;  // index into Table::cells
        int row = 0;
        int column = 0;
        int last_row = 0;
        int last_column = 0;
    };

    TableGrid(const Table& table, int max_rows, int max_columns);

    int Rows() const { return rows_; }
    int Columns() const { return columns_; }
    // Index into Table::cells of the cell covering a position, -1 when none does.
    int Owner(int row, int column) const { return owners_[Index(row, column)]; }
    // The cells placed, in the table's order.
    const std::vector<Placed>& Cells() const { return placed_; }
    // Where the cell at `cell` in Table::cells was placed; nullptr when it was left out.
    const Placed* Find(int cell) const {
        const bool known = cell >= 0 && cell < static_cast<int>(placed_of_cell_.size());
        return known && placed_of_cell_[cell] >= 0 ? &placed_[placed_of_cell_[cell]] : nullptr;
    }

private:
    std::size_t Index(int row, int column) const {
        return static_cast<std::size_t>(row) * columns_ + column;
    }
    bool Place(const Cell& cell, int index);

    int rows_ = 0;
    int columns_ = 0;
    std::vector<int> owners_;
    std::vector<Placed> placed_;
    std::vector<int> placed_of_cell_;  // index into placed_ per table cell, -1 when left out
};

}  // namespace reconstruct
