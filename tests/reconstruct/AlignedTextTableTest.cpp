#include <gtest/gtest.h>

#include <string>

#include "TableTestPages.h"
#include "platform/Utf8Append.h"
#include "reconstruct/TableFinder.h"

namespace reconstruct {
namespace {

using testing::CellAt;
using testing::CellText;
using testing::TablePage;

struct Row {
    std::u32string city;
    std::u32string population;
    std::u32string area;
};

const Row kRows[] = {{U"City", U"Population", U"Area"},
                     {U"Lyon", U"522,250", U"47.9"},
                     {U"Nantes", U"320,732", U"65.2"},
                     {U"Toulouse", U"504,078", U"118.3"}};

constexpr double kTop = 200;
constexpr double kPitch = 16;

// City names left at 72, numbers right-aligned at 262 and 362.
void DrawCities(TablePage* page, bool one_drawn_line_per_row) {
    for (int i = 0; i < 4; ++i) {
        const Row& row = kRows[i];
        const double baseline = kTop + kPitch * i;
        if (!one_drawn_line_per_row) {
            page->Text(72, baseline, row.city);
            page->RightText(262, baseline, row.population);
            page->RightText(362, baseline, row.area);
            continue;
        }
        // As one drawn line: spaces fill the gaps, which stay wide.
        std::u32string text = row.city;
        text.append(
            static_cast<std::size_t>((262 - 72) / 5) - row.city.size() - row.population.size(),
            U' ');
        text += row.population;
        text.append(static_cast<std::size_t>(100 / 5) - row.area.size(), U' ');
        text += row.area;
        page->Text(72, baseline, text);
    }
}

TEST(AlignedTextTableTest, AlignedColumnsWithoutRulesMakeATable) {
    for (bool one_line : {false, true}) {
        SCOPED_TRACE(one_line ? "one drawn line per row" : "one drawn line per cell");
        TablePage page;
        page.Text(72, kTop - 30, U"Cities of the region, with their population and area:");
        DrawCities(&page, one_line);
        page.Text(72, kTop + 4 * kPitch + 20, U"Source: a census of some year, rounded.");

        const std::vector<Table> tables = FindTables(page.page());
        ASSERT_EQ(tables.size(), 1u);
        const Table& table = tables[0];
        EXPECT_FALSE(table.ruled);
        ASSERT_EQ(table.row_heights.size(), 4u);
        ASSERT_EQ(table.column_widths.size(), 3u);
        ASSERT_EQ(table.cells.size(), 12u);
        EXPECT_NEAR(table.box.x0, 72, 0.01);
        EXPECT_NEAR(table.box.x1, 362, 0.01);
        EXPECT_NEAR(table.box.y0, kTop - 8, 0.01);
        EXPECT_NEAR(table.box.y1, kTop + 3 * kPitch + 2, 0.01);
        for (int r = 0; r < 4; ++r) {
            std::string expected;
            for (char32_t c : kRows[r].population)
                platform::AppendUtf8(c, &expected);
            EXPECT_EQ(CellText(table, r, 1), expected);
        }
        EXPECT_EQ(CellText(table, 3, 0), "Toulouse");
        EXPECT_EQ(CellText(table, 2, 2), "65.2");
        EXPECT_EQ(CellAt(table, 2, 0)->paragraphs.at(0).align, Align::kLeft);
        EXPECT_EQ(CellAt(table, 2, 1)->paragraphs.at(0).align, Align::kRight);
        EXPECT_EQ(CellAt(table, 3, 2)->paragraphs.at(0).align, Align::kRight);
        // Every single line keeps the rows' pitch, the first and last rows' too.
        for (const Cell& cell : table.cells)
            EXPECT_DOUBLE_EQ(cell.paragraphs.at(0).usual_pitch, kPitch);
    }
}

TEST(AlignedTextTableTest, AWrappedCellJoinsItsRowButALabelStartsANewOne) {
    TablePage page;
    const double b = 300;
    page.Text(72, b, U"Code");
    page.Text(150, b, U"Meaning");
    page.Text(72, b + 14, U"E1");
    page.Text(150, b + 14, U"Paper jam in the");
    page.Text(150, b + 28, U"rear tray");
    page.Text(72, b + 42, U"E2");
    page.Text(150, b + 42, U"Toner low");
    page.Text(72, b + 56, U"Service");
    page.Text(72, b + 70, U"E3");
    page.Text(150, b + 70, U"Door open");

    const std::vector<Table> tables = FindTables(page.page());
    ASSERT_EQ(tables.size(), 1u);
    const Table& table = tables[0];
    ASSERT_EQ(table.row_heights.size(), 5u);
    EXPECT_EQ(CellText(table, 1, 1), "Paper jam in the rear tray");
    EXPECT_EQ(CellText(table, 3, 0), "Service");
    EXPECT_EQ(CellText(table, 3, 1), "");
    EXPECT_EQ(CellText(table, 4, 1), "Door open");
}

// Pages whose text lines up without being a table.
struct NotATable {
    const char* name;
    void (*draw)(TablePage*);
};

void TwoColumnsOfProse(TablePage* page) {
    const std::u32string left[] = {
        U"The committee met on several occasions to", U"review the proposals that had been put to",
        U"it by members of the public and by the", U"regional offices, and it agreed that the",
        U"changes should be adopted in full."};
    const std::u32string right[] = {
        U"In the second half of the year the number", U"of applications rose sharply, which meant",
        U"that the staff of every office had to work",
        U"longer hours than they had in the past and", U"that some requests were answered late."};
    for (int i = 0; i < 5; ++i) {
        page->Text(72, 100 + 12 * i, left[i]);
        page->Text(320, 100 + 12 * i, right[i]);
    }
}

void TwoColumnsOfChineseProse(TablePage* page) {
    for (int i = 0; i < 5; ++i) {
        page->Text(72, 100 + 12 * i, U"委员会多次开会审议公众和各地区办事处提出的建议");
        page->Text(320, 100 + 12 * i, U"下半年申请数量急剧增加各办公室的工作人员不得不");
    }
}

void HangingIndentList(TablePage* page) {
    const std::u32string markers[] = {U"1.", U"2.", U"3.", U"4."};
    const std::u32string items[] = {U"Open the cover", U"Remove the cartridge", U"Shake it gently",
                                    U"Put it back"};
    for (int i = 0; i < 4; ++i) {
        page->Text(72, 100 + 14 * i, markers[i]);
        page->Text(96, 100 + 14 * i, items[i]);
    }
}

// A list on two levels, each marker in a span of its own before its text.
void TwoLevelList(TablePage* page, const std::u32string (&markers)[5],
                  const std::u32string (&items)[5]) {
    const double marker_x[] = {72, 72, 90, 90, 72};
    for (int i = 0; i < 5; ++i) {
        page->Text(marker_x[i], 100 + 18 * i, markers[i]);
        page->Text(marker_x[i] + 18, 100 + 18 * i, items[i]);
    }
}

// Bullets from a symbol font (private use code points) at the outer level, open circles on the
// inner one.
void TwoLevelBulletList(TablePage* page) {
    TwoLevelList(page, {U"\uF0B7", U"\uF0B7", U"◦", U"◦", U"\uF0B7"},
                 {U"Paper comes first", U"Margins are kept", U"top and bottom", U"left and right",
                  U"Columns come last"});
}

void TwoLevelNumberedList(TablePage* page) {
    TwoLevelList(page, {U"1.", U"2.", U"a.", U"b.", U"3."},
                 {U"Open the document", U"Choose the format", U"Word document", U"Workbook",
                  U"Save the result"});
}

void CodeListing(TablePage* page) {
    const std::u32string lines[] = {
        U"int width = 0;      // in points", U"int height = 0;     // in points",
        U"bool ruled = true;  // drawn lines", U"double pitch = 0;   // baseline gap"};
    for (int i = 0; i < 4; ++i)
        page->Text(72, 100 + 12 * i, lines[i], TablePage::kMono);
}

void ContentsWithLeaders(TablePage* page) {
    const std::u32string lines[] = {
        U"Introduction ........................ 1", U"Methods ............................. 4",
        U"Results ............................ 12", U"Discussion ......................... 20"};
    for (int i = 0; i < 4; ++i)
        page->Text(72, 100 + 14 * i, lines[i]);
}

void TwoRowsOnly(TablePage* page) {
    page->Text(72, 100, U"Name");
    page->Text(200, 100, U"Value");
    page->Text(72, 114, U"Width");
    page->Text(200, 114, U"12");
}

TEST(AlignedTextTableTest, TextThatOnlyLinesUpIsNotATable) {
    const NotATable cases[] = {{"two columns of prose", TwoColumnsOfProse},
                               {"two columns of Chinese prose", TwoColumnsOfChineseProse},
                               {"list with hanging indents", HangingIndentList},
                               {"bulleted list on two levels", TwoLevelBulletList},
                               {"numbered list on two levels", TwoLevelNumberedList},
                               {"code listing", CodeListing},
                               {"contents with dot leaders", ContentsWithLeaders},
                               {"two rows", TwoRowsOnly}};
    for (const NotATable& c : cases) {
        TablePage page;
        c.draw(&page);
        EXPECT_TRUE(FindTables(page.page()).empty()) << c.name;
    }
}

TEST(AlignedTextTableTest, NumberedRowsWithSeveralColumnsStayATable) {
    TablePage page;
    const std::u32string numbers[] = {U"1.", U"2.", U"3.", U"4."};
    for (int i = 0; i < 4; ++i) {
        page.Text(72, kTop + kPitch * i, numbers[i]);
        page.Text(100, kTop + kPitch * i, kRows[i].city);
        page.RightText(262, kTop + kPitch * i, kRows[i].population);
    }
    const std::vector<Table> tables = FindTables(page.page());
    ASSERT_EQ(tables.size(), 1u);
    EXPECT_EQ(tables[0].column_widths.size(), 3u);
    EXPECT_EQ(tables[0].row_heights.size(), 4u);
}

// Rows of padded cells stand nearly three line heights apart: still one table while they keep
// their column edges, but lines that far apart on other edges are separate blocks.
TEST(AlignedTextTableTest, RoomyRowsJoinOnlyWhileTheyKeepTheirColumns) {
    constexpr double kRoomyPitch = 28;
    TablePage page;
    for (int i = 0; i < 4; ++i) {
        page.Text(72, kTop + kRoomyPitch * i, kRows[i].city);
        page.RightText(262, kTop + kRoomyPitch * i, kRows[i].population);
        page.RightText(362, kTop + kRoomyPitch * i, kRows[i].area);
    }
    std::vector<Table> tables = FindTables(page.page());
    ASSERT_EQ(tables.size(), 1u);
    EXPECT_EQ(tables[0].row_heights.size(), 4u);
    EXPECT_EQ(tables[0].column_widths.size(), 3u);
    EXPECT_EQ(CellText(tables[0], 3, 2), "118.3");
    EXPECT_EQ(CellAt(tables[0], 1, 0)->paragraphs.at(0).usual_pitch, 0) << "spaced out rows";

    TablePage shifted;
    for (int i = 0; i < 4; ++i) {
        const double x = i < 2 ? 72 : 120;
        shifted.Text(x, kTop + kRoomyPitch * i, kRows[i].city);
        shifted.RightText(x + 190, kTop + kRoomyPitch * i, kRows[i].population);
        shifted.RightText(x + 290, kTop + kRoomyPitch * i, kRows[i].area);
    }
    EXPECT_TRUE(FindTables(shifted.page()).empty());
}

// Chapters spaced out as rows, the page number far right, with dotted entries between them.
void DrawContents(TablePage* page, bool with_dotted_entries) {
    const std::u32string chapters[] = {U"Plotting styles", U"Arrows", U"Boxes", U"Candlesticks"};
    const std::u32string pages[] = {U"62", U"62", U"63", U"64"};
    for (int i = 0; i < 4; ++i) {
        page->Text(72, 100 + 28 * i, chapters[i]);
        page->RightText(540, 100 + 28 * i, pages[i]);
    }
    if (!with_dotted_entries)
        return;
    // Dots that reach the number, and dots that stop short of it.
    page->Text(86, 100 + 28 * 2 + 14, U"Boxes in 2D . . . . . . . . . . . 63");
    page->Text(86, 100 + 28 * 3 + 14, U"Boxes in 3D . . . . . . . . .");
    page->RightText(540, 100 + 28 * 3 + 14, U"63");
}

TEST(AlignedTextTableTest, EntriesOfAContentsPageStayText) {
    TablePage contents;
    DrawContents(&contents, true);
    EXPECT_TRUE(FindTables(contents.page()).empty());

    // Without dotted entries nothing says the numbers are page numbers.
    TablePage plain;
    DrawContents(&plain, false);
    EXPECT_EQ(FindTables(plain.page()).size(), 1u);
}

TEST(AlignedTextTableTest, TextInsideARuledTableIsNotFoundTwice) {
    TablePage page;
    page.Grid({60, 170, 280, 380}, {185, 204, 220, 236, 252});
    DrawCities(&page, false);

    const std::vector<Table> tables = FindTables(page.page());
    ASSERT_EQ(tables.size(), 1u);
    EXPECT_TRUE(tables[0].ruled);
    EXPECT_EQ(tables[0].cells.size(), 12u);
}

}  // namespace
}  // namespace reconstruct
