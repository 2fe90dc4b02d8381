#include "reconstruct/TableFinder.h"

#include <gtest/gtest.h>

#include <chrono>
#include <limits>
#include <random>
#include <string>

#include "TableTestPages.h"

namespace reconstruct {
namespace {

using testing::CellAt;
using testing::CellText;
using testing::TablePage;

const std::vector<double> kXs{72, 172, 272, 372};
const std::vector<double> kYs{100, 120, 140, 160};

std::u32string Label(int row, int column) {
    const char32_t label[] = {U'r', static_cast<char32_t>(U'0' + row), U'c',
                              static_cast<char32_t>(U'0' + column)};
    return std::u32string(label, 4);
}

// Text "rNcM" at the left of every cell of the 3×3 grid.
void LabelCells(TablePage* page, const std::vector<double>& xs, const std::vector<double>& ys) {
    for (int r = 0; r < 3; ++r)
        for (int c = 0; c < 3; ++c)
            page->Text(xs[c] + 4, ys[r] + 14, Label(r, c));
}

void ExpectNear(const std::vector<double>& actual, const std::vector<double>& expected) {
    ASSERT_EQ(actual.size(), expected.size());
    for (std::size_t i = 0; i < actual.size(); ++i)
        EXPECT_NEAR(actual[i], expected[i], 0.01) << "at " << i;
}

TEST(TableFinderTest, FullGridGivesEveryCellWithItsTextBordersAndLines) {
    TablePage page;
    page.Grid(kXs, kYs, 0.5);
    LabelCells(&page, kXs, kYs);
    page.Text(72, 90, U"Caption above the table");
    page.Text(72, 180, U"Text below the table");

    const std::vector<Table> tables = FindTables(page.page());
    ASSERT_EQ(tables.size(), 1u);
    const Table& table = tables[0];
    EXPECT_TRUE(table.ruled);
    EXPECT_EQ(table.box, (Rect{72, 100, 372, 160}));
    ExpectNear(table.column_widths, {100, 100, 100});
    ExpectNear(table.row_heights, {20, 20, 20});
    ASSERT_EQ(table.cells.size(), 9u);
    for (int i = 0; i < 9; ++i) {
        const Cell& cell = table.cells[i];
        EXPECT_EQ(cell.row, i / 3);
        EXPECT_EQ(cell.column, i % 3);
        EXPECT_EQ(cell.row_span, 1);
        EXPECT_EQ(cell.column_span, 1);
        ASSERT_EQ(cell.paragraphs.size(), 1u) << i;
        std::string expected = "r0c0";
        expected[1] = static_cast<char>('0' + cell.row);
        expected[3] = static_cast<char>('0' + cell.column);
        EXPECT_EQ(TextOf(cell.paragraphs[0].runs), expected);
        EXPECT_EQ(cell.paragraphs[0].align, Align::kLeft);
        EXPECT_DOUBLE_EQ(cell.borders.top, 0.5);
        EXPECT_DOUBLE_EQ(cell.borders.right, 0.5);
        EXPECT_FALSE(cell.shading.has_value());
    }
}

TEST(TableFinderTest, MissingInteriorLinesMergeCellsAcrossAndDown) {
    TablePage page;
    // Outer box; the header row has no lines between its columns; the first column has no
    // line between its second and third rows.
    page.Across(100, 72, 372);
    page.Across(120, 72, 372);
    page.Across(140, 172, 372);
    page.Across(160, 72, 372);
    page.Down(72, 100, 160);
    page.Down(372, 100, 160);
    page.Down(172, 120, 160);
    page.Down(272, 120, 160);
    page.Text(222 - 2.5 * 17, 114, U"Quarterly results");
    page.Text(76, 134, U"North");
    page.Text(76, 148, U"region");
    for (int r = 1; r < 3; ++r)
        for (int c = 1; c < 3; ++c)
            page.Text(kXs[c] + 4, kYs[r] + 14, Label(r, c));

    const std::vector<Table> tables = FindTables(page.page());
    ASSERT_EQ(tables.size(), 1u);
    const Table& table = tables[0];
    ExpectNear(table.column_widths, {100, 100, 100});
    ExpectNear(table.row_heights, {20, 20, 20});
    struct Expected {
        int row, column, row_span, column_span;
        std::string text;
    };
    const Expected expected[] = {{0, 0, 1, 3, "Quarterly results"},
                                 {1, 0, 2, 1, "North region"},
                                 {1, 1, 1, 1, "r1c1"},
                                 {1, 2, 1, 1, "r1c2"},
                                 {2, 1, 1, 1, "r2c1"},
                                 {2, 2, 1, 1, "r2c2"}};
    ASSERT_EQ(table.cells.size(), std::size(expected));
    for (std::size_t i = 0; i < std::size(expected); ++i) {
        const Cell& cell = table.cells[i];
        EXPECT_EQ(cell.row, expected[i].row) << i;
        EXPECT_EQ(cell.column, expected[i].column) << i;
        EXPECT_EQ(cell.row_span, expected[i].row_span) << i;
        EXPECT_EQ(cell.column_span, expected[i].column_span) << i;
        EXPECT_EQ(CellText(table, cell.row, cell.column), expected[i].text);
    }
    EXPECT_EQ(table.cells[0].box, (Rect{72, 100, 372, 120}));
    EXPECT_EQ(table.cells[0].paragraphs.at(0).align, Align::kCenter);
    EXPECT_EQ(table.cells[1].box, (Rect{72, 120, 172, 160}));
}

TEST(TableFinderTest, LinesSlightlyOffOrDrawnInPiecesStillFormOneGrid) {
    TablePage page;
    // Each line drawn cell by cell, every piece up to a point away from where it belongs.
    const double wobble[] = {-1, 0.8, 0, -0.6, 1};
    int k = 0;
    for (double y : kYs)
        for (std::size_t c = 0; c + 1 < kXs.size(); ++c, ++k)
            page.Across(y + wobble[k % 5], kXs[c] + wobble[(k + 1) % 5],
                        kXs[c + 1] + wobble[(k + 2) % 5]);
    for (double x : kXs)
        for (std::size_t r = 0; r + 1 < kYs.size(); ++r, ++k)
            page.Down(x + wobble[k % 5], kYs[r] + wobble[(k + 3) % 5],
                      kYs[r + 1] + wobble[(k + 4) % 5]);
    LabelCells(&page, kXs, kYs);

    const std::vector<Table> tables = FindTables(page.page());
    ASSERT_EQ(tables.size(), 1u);
    EXPECT_EQ(tables[0].cells.size(), 9u);
    EXPECT_EQ(tables[0].column_widths.size(), 3u);
    EXPECT_EQ(tables[0].row_heights.size(), 3u);
    EXPECT_EQ(CellText(tables[0], 2, 1), "r2c1");
    EXPECT_NEAR(tables[0].box.x0, 72, 1.5);
    EXPECT_NEAR(tables[0].box.y1, 160, 1.5);
}

TEST(TableFinderTest, ShadingComesFromColouredFillsOnly) {
    TablePage page;
    page.Grid(kXs, kYs);
    LabelCells(&page, kXs, kYs);
    const Rgb grey{200, 200, 200};
    page.Fill({72, 100, 372, 120}, grey);
    page.Fill({72, 120, 172, 140}, {255, 255, 255});

    const std::vector<Table> tables = FindTables(page.page());
    ASSERT_EQ(tables.size(), 1u);
    ASSERT_EQ(tables[0].cells.size(), 9u);
    for (const Cell& cell : tables[0].cells) {
        if (cell.row == 0)
            EXPECT_EQ(cell.shading, grey) << cell.column;
        else
            EXPECT_FALSE(cell.shading.has_value()) << cell.row << "," << cell.column;
    }
}

TEST(TableFinderTest, BoxesFilledEdgeToEdgeAreCellsWithoutBorders) {
    TablePage page;
    const Rgb blue{210, 220, 240};
    const Rgb pale{240, 240, 250};
    for (int r = 0; r < 2; ++r)
        for (int c = 0; c < 3; ++c)
            page.Fill({kXs[c], kYs[r], kXs[c + 1], kYs[r + 1]}, r == 0 ? blue : pale);
    for (int r = 0; r < 2; ++r)
        for (int c = 0; c < 3; ++c)
            page.Text(kXs[c] + 4, kYs[r] + 14, Label(r, c));

    const std::vector<Table> tables = FindTables(page.page());
    ASSERT_EQ(tables.size(), 1u);
    ASSERT_EQ(tables[0].cells.size(), 6u);
    EXPECT_EQ(tables[0].box, (Rect{72, 100, 372, 140}));
    EXPECT_EQ(tables[0].cells[1].shading, blue);
    EXPECT_EQ(tables[0].cells[4].shading, pale);
    EXPECT_EQ(CellText(tables[0], 1, 2), "r1c2");
    EXPECT_DOUBLE_EQ(tables[0].cells[4].borders.top, 0);
    EXPECT_DOUBLE_EQ(tables[0].cells[4].borders.left, 0);
}

TEST(TableFinderTest, CellTextJoinsLinesSplitsParagraphsAndReadsAlignment) {
    TablePage page;
    const std::vector<double> ys{100, 160, 180};
    page.Grid(kXs, ys);
    page.Text(76, 114, U"a flowing");
    page.Text(76, 128, U"paragraph");
    page.Text(76, 156, U"after a gap");
    page.Text(222 - 15, 114, U"middle");
    page.RightText(368, 114, U"1,234.50");
    page.Text(76, 174, U"left");
    // Two drawn lines on one baseline in one cell read as one line.
    page.Text(176, 174, U"split");
    page.Text(206, 174, U"line");

    const std::vector<Table> tables = FindTables(page.page());
    ASSERT_EQ(tables.size(), 1u);
    const Table& table = tables[0];
    EXPECT_EQ(CellText(table, 0, 0), "a flowing paragraph|after a gap");
    EXPECT_EQ(CellText(table, 1, 1), "split line");
    struct Expected {
        int row, column;
        Align align;
    };
    for (const Expected& e : {Expected{0, 0, Align::kLeft}, Expected{0, 1, Align::kCenter},
                              Expected{0, 2, Align::kRight}, Expected{1, 0, Align::kLeft}}) {
        const Cell* cell = CellAt(table, e.row, e.column);
        ASSERT_NE(cell, nullptr);
        ASSERT_FALSE(cell->paragraphs.empty());
        EXPECT_EQ(cell->paragraphs[0].align, e.align) << e.row << "," << e.column;
    }
    EXPECT_NEAR(CellAt(table, 0, 0)->paragraphs[0].line_pitch, 14, 0.01);
}

TEST(TableFinderTest, RulesOnlyAcrossGiveATableWithColumnsFromTheText) {
    TablePage page;
    page.Across(100, 72, 372, 1.5);
    // The header rule drawn in pieces with hairline gaps.
    page.Across(120, 72, 171.5, 0.5);
    page.Across(120, 172.5, 271.5, 0.5);
    page.Across(120, 272.5, 372, 0.5);
    page.Across(200, 72, 372, 1.5);
    page.Text(76, 114, U"Item");
    page.RightText(260, 114, U"Qty");
    page.RightText(368, 114, U"Price");
    const std::u32string items[] = {U"Apples", U"Pears", U"Plums", U"Cherries"};
    const std::u32string counts[] = {U"12", U"7", U"140", U"3"};
    const std::u32string prices[] = {U"1.20", U"0.95", U"12.00", U"4.10"};
    for (int i = 0; i < 4; ++i) {
        page.Text(76, 134 + 16 * i, items[i]);
        page.RightText(260, 134 + 16 * i, counts[i]);
        page.RightText(368, 134 + 16 * i, prices[i]);
    }
    page.Text(72, 90, U"Table 1: fruit in stock");

    const std::vector<Table> tables = FindTables(page.page());
    ASSERT_EQ(tables.size(), 1u);
    const Table& table = tables[0];
    EXPECT_TRUE(table.ruled);
    EXPECT_EQ(table.box, (Rect{72, 100, 372, 200}));
    ASSERT_EQ(table.column_widths.size(), 3u);
    ASSERT_EQ(table.row_heights.size(), 5u);
    EXPECT_NEAR(table.row_heights[0], 20, 0.01);
    ASSERT_EQ(table.cells.size(), 15u);
    EXPECT_EQ(CellText(table, 0, 2), "Price");
    EXPECT_EQ(CellText(table, 3, 0), "Plums");
    EXPECT_EQ(CellText(table, 3, 1), "140");
    EXPECT_EQ(CellAt(table, 3, 1)->paragraphs.at(0).align, Align::kRight);
    EXPECT_DOUBLE_EQ(CellAt(table, 0, 1)->borders.top, 1.5);
    EXPECT_DOUBLE_EQ(CellAt(table, 0, 1)->borders.bottom, 0.5);
    EXPECT_DOUBLE_EQ(CellAt(table, 2, 1)->borders.top, 0);
    EXPECT_DOUBLE_EQ(CellAt(table, 4, 1)->borders.bottom, 1.5);
    EXPECT_DOUBLE_EQ(CellAt(table, 4, 1)->borders.left, 0);
}

TEST(TableFinderTest, AlternateShadedBandsWithoutStrokesGiveRowsAndTextColumns) {
    TablePage page;
    const Rgb band{230, 230, 230};
    for (int r = 0; r < 4; ++r) {
        if (r % 2 == 0)
            page.Fill({72, 100 + 20.0 * r, 372, 120 + 20.0 * r}, band);
        page.Text(76, 114 + 20 * r, Label(r, 0));
        page.Text(176, 114 + 20 * r, Label(r, 1));
        page.RightText(368, 114 + 20 * r, Label(r, 2));
    }

    const std::vector<Table> tables = FindTables(page.page());
    ASSERT_EQ(tables.size(), 1u);
    const Table& table = tables[0];
    EXPECT_EQ(table.box, (Rect{72, 100, 372, 160}));
    ASSERT_EQ(table.column_widths.size(), 3u);
    ASSERT_EQ(table.row_heights.size(), 3u);
    EXPECT_EQ(CellText(table, 2, 2), "r2c2");
    EXPECT_EQ(CellAt(table, 0, 1)->shading, band);
    EXPECT_FALSE(CellAt(table, 1, 1)->shading.has_value());
    EXPECT_DOUBLE_EQ(CellAt(table, 1, 1)->borders.top, 0);
}

TEST(TableFinderTest, CorruptCoordinatesNeitherCrashNorLeakIntoTables) {
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const double inf = std::numeric_limits<double>::infinity();
    TablePage page;
    page.Grid(kXs, kYs);
    LabelCells(&page, kXs, kYs);
    page.Across(nan, 72, 372);
    page.Down(172, -inf, inf);
    page.Fill({nan, 100, 300, nan}, {10, 10, 10});
    page.Fill({72, 100, inf, 160}, {20, 20, 20});
    page.Text(nan, 130, U"lost");
    page.page().lines.back().baseline = nan;

    const std::vector<Table> tables = FindTables(page.page());
    ASSERT_EQ(tables.size(), 1u);
    EXPECT_EQ(tables[0].box, (Rect{72, 100, 372, 160}));
    EXPECT_EQ(tables[0].cells.size(), 9u);
    EXPECT_EQ(CellText(tables[0], 1, 1), "r1c1");
    EXPECT_FALSE(tables[0].cells[0].shading.has_value());
}

TEST(TableFinderTest, FramesAndLoneLinesAreNotTables) {
    struct Case {
        const char* name;
        void (*draw)(TablePage*);
    };
    const Case cases[] = {
        {"framed note",
         [](TablePage* p) {
             p->Grid({72, 372}, {100, 160});
             p->Text(80, 120, U"Note: a framed remark, not a table.");
         }},
        {"page frame",
         [](TablePage* p) {
             p->Grid({20, 592}, {20, 772});
             p->Across(60, 20, 592);
             p->Text(72, 45, U"Running header");
             p->Text(72, 100, U"Body text of the page.");
         }},
        {"grid without text", [](TablePage* p) { p->Grid(kXs, kYs); }},
        {"prose between two rules",
         [](TablePage* p) {
             p->Across(100, 72, 540);
             p->Across(160, 72, 540);
             for (int i = 0; i < 3; ++i)
                 p->Text(72, 118 + 14 * i, U"An ordinary sentence of body text runs on here.");
         }},
    };
    for (const Case& c : cases) {
        TablePage page;
        c.draw(&page);
        EXPECT_TRUE(FindTables(page.page()).empty()) << c.name;
    }
}

TEST(TableFinderTest, ThousandsOfRandomRulesFinishQuickly) {
    TablePage page;
    std::mt19937 random(7);
    std::uniform_real_distribution<double> x(0, 612);
    std::uniform_real_distribution<double> y(0, 792);
    for (int i = 0; i < 5000; ++i) {
        const double a = x(random);
        const double b = y(random);
        if (i % 2 == 0)
            page.Across(b, a, std::min(612.0, a + x(random) / 3));
        else
            page.Down(a, b, std::min(792.0, b + y(random) / 3));
    }
    LabelCells(&page, kXs, kYs);

    const auto start = std::chrono::steady_clock::now();
    const std::vector<Table> tables = FindTables(page.page());
    const auto elapsed = std::chrono::steady_clock::now() - start;
    EXPECT_LT(std::chrono::duration_cast<std::chrono::milliseconds>(elapsed).count(), 3000);
    for (const Table& table : tables) {
        EXPECT_LE(table.column_widths.size(), 100u);
        EXPECT_LE(table.row_heights.size(), 500u);
    }
}

}  // namespace
}  // namespace reconstruct
