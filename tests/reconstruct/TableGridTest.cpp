#include "reconstruct/TableGrid.h"

#include <gtest/gtest.h>

namespace reconstruct {
namespace {

Cell At(int row, int column, int row_span = 1, int column_span = 1) {
    Cell cell;
    cell.row = row;
    cell.column = column;
    cell.row_span = row_span;
    cell.column_span = column_span;
    return cell;
}

Table Grid(int rows, int columns, std::vector<Cell> cells) {
    Table table;
    table.row_heights.assign(rows, 10);
    table.column_widths.assign(columns, 10);
    table.cells = std::move(cells);
    return table;
}

// Owners of every position, row by row, for compact expectations.
std::vector<int> Owners(const TableGrid& grid) {
    std::vector<int> owners;
    for (int r = 0; r < grid.Rows(); ++r) {
        for (int c = 0; c < grid.Columns(); ++c)
            owners.push_back(grid.Owner(r, c));
    }
    return owners;
}

TEST(TableGridTest, MergesCoverTheirAreaAndBadCellsAreLeftOut) {
    const struct {
        const char* name;
        Table table;
        std::vector<int> owners;
    } cases[] = {
        {"plain", Grid(2, 2, {At(0, 0), At(0, 1), At(1, 0), At(1, 1)}), {0, 1, 2, 3}},
        {"merged header", Grid(2, 2, {At(0, 0, 1, 2), At(1, 0), At(1, 1)}), {0, 0, 1, 2}},
        {"span cut at the edge", Grid(2, 2, {At(0, 1, 5, 5)}), {-1, 0, -1, 0}},
        {"overlap keeps the first", Grid(2, 2, {At(0, 0, 2, 2), At(1, 1)}), {0, 0, 0, 0}},
        {"outside the grid", Grid(1, 2, {At(-1, 0), At(0, 2), At(3, 0), At(0, 0)}), {3, -1}},
        {"zero span counts as one", Grid(1, 2, {At(0, 0, 0, 0)}), {0, -1}},
    };
    for (const auto& c : cases)
        EXPECT_EQ(Owners(TableGrid(c.table, 100, 100)), c.owners) << c.name;
}

TEST(TableGridTest, PlacedCellsKnowTheirClippedExtent) {
    const Table table = Grid(3, 3, {At(0, 0, 2, 9), At(1, 0), At(2, 2)});
    const TableGrid grid(table, 100, 100);
    ASSERT_EQ(grid.Cells().size(), 2u);
    const TableGrid::Placed* merged = grid.Find(0);
    ASSERT_NE(merged, nullptr);
    EXPECT_EQ(merged->last_row, 1);
    EXPECT_EQ(merged->last_column, 2);
    EXPECT_EQ(grid.Find(1), nullptr) << "overlapped the merge";
    EXPECT_EQ(grid.Find(2)->row, 2);
    EXPECT_EQ(grid.Find(7), nullptr);
}

TEST(TableGridTest, SizeComesFromCellsWithoutLinesAndStopsAtTheLimit) {
    Table gridless;
    gridless.cells = {At(0, 0), At(4, 2), At(1000000, 1000000)};
    const TableGrid grid(gridless, 50, 20);
    EXPECT_EQ(grid.Rows(), 50);
    EXPECT_EQ(grid.Columns(), 20);
    EXPECT_EQ(grid.Cells().size(), 2u);

    const TableGrid lined(Grid(500, 3, {At(0, 0)}), 40, 40);
    EXPECT_EQ(lined.Rows(), 40);
    EXPECT_EQ(lined.Columns(), 3);
}

}  // namespace
}  // namespace reconstruct
