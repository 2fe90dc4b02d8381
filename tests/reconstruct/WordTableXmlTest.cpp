#include "reconstruct/WordTableXml.h"

#include <gtest/gtest.h>
#include <tinyxml2.h>

#include "WordTestSupport.h"

namespace reconstruct {
namespace {

using wordtest::Attr;

struct Parts {
    WordRelationships relationships;
    WordNumbering numbering;
    WordFonts fonts;
    WordContext context{relationships, numbering, fonts, true};
};

// A one-line cell in a row 20 pt high: column 0 spans x 100..200, column 1 x 200..280; its
// text runs from `text_x0` to `text_x1`.
Cell TextCell(int row, int column, double text_x0, double text_x1, Align align = Align::kLeft) {
    Cell cell;
    cell.row = row;
    cell.column = column;
    const double y = 100 + 20.0 * row;
    cell.box = column == 0 ? Rect{100, y, 200, y + 20} : Rect{200, y, 280, y + 20};
    Paragraph paragraph;
    paragraph.runs = {wordtest::MakeRun("text")};
    paragraph.box = {text_x0, y + 2, text_x1, y + 18};
    paragraph.align = align;
    cell.paragraphs.push_back(paragraph);
    return cell;
}

Table TwoColumns(std::vector<Cell> cells) {
    Table table;
    table.column_widths = {100, 80};
    table.row_heights.assign(cells.size() / 2, 20);
    table.cells = std::move(cells);
    return table;
}

struct Margins {
    std::string left;
    std::string right;
    std::string after;  // the element that follows the margins in the table's properties
};

Margins CellMarginsOf(const Table& table, double available_width = 1000) {
    Parts parts;
    tinyxml2::XMLDocument doc;
    const std::string xml = TableXml(table, 0, available_width, parts.context);
    if (doc.Parse(xml.c_str()) != tinyxml2::XML_SUCCESS) {
        ADD_FAILURE() << "table XML does not parse";
        return {};
    }
    const auto found = wordtest::All(doc.RootElement(), "w:tblCellMar");
    if (found.size() != 1) {
        ADD_FAILURE() << "expected one w:tblCellMar, found " << found.size();
        return {};
    }
    const auto* next = found.front()->NextSiblingElement();
    return {Attr(found.front()->FirstChildElement("w:left"), "w:w"),
            Attr(found.front()->FirstChildElement("w:right"), "w:w"), next ? next->Name() : ""};
}

TEST(WordTableXmlTest, CellMarginsPutTextWhereItsCellsHadIt) {
    // Labels 1 pt in from the left, numbers 2 pt in from the right; one label indented deep
    // and one centred title do not move the margins.
    Table table = TwoColumns({TextCell(0, 0, 101, 140), TextCell(0, 1, 215, 265, Align::kCenter),
                              TextCell(1, 0, 101, 150), TextCell(1, 1, 240, 278, Align::kRight),
                              TextCell(2, 0, 101, 130), TextCell(2, 1, 250, 278, Align::kRight),
                              TextCell(3, 0, 131, 170), TextCell(3, 1, 230, 278, Align::kRight)});
    Margins margins = CellMarginsOf(table);
    EXPECT_EQ(margins.left, "20");
    EXPECT_EQ(margins.right, "40");
    EXPECT_EQ(margins.after, "w:tblLook");

    // Scaled down with the table when it has less room than the PDF gave it.
    margins = CellMarginsOf(table, 90);
    EXPECT_EQ(margins.left, "10");
    EXPECT_EQ(margins.right, "20");
}

TEST(WordTableXmlTest, CellMarginsBorrowTheOtherSideAndStayWithinBounds) {
    // Left-aligned text alone: both sides take its inset.
    Margins margins =
        CellMarginsOf(TwoColumns({TextCell(0, 0, 103, 140), TextCell(0, 1, 203, 240)}));
    EXPECT_EQ(margins.left, "60");
    EXPECT_EQ(margins.right, "60");

    // Text set deep in its cells gets a margin of 14.4 pt at most; text past the cell's side
    // gives no negative margin.
    margins = CellMarginsOf(TwoColumns({TextCell(0, 0, 140, 170), TextCell(0, 1, 240, 270)}));
    EXPECT_EQ(margins.left, "288");
    EXPECT_EQ(margins.right, "288");
    margins = CellMarginsOf(TwoColumns({TextCell(0, 0, 98, 150), TextCell(0, 1, 199, 250)}));
    EXPECT_EQ(margins.left, "0");
    EXPECT_EQ(margins.right, "0");

    // A cell whose line nearly fills it leaves room for only so much margin on both sides: its
    // 94 pt line, set 4 % wider, leaves 2.24 pt of 100, shared as the insets were.
    margins = CellMarginsOf(TwoColumns({TextCell(0, 0, 103, 197), TextCell(0, 1, 203, 240)}));
    EXPECT_EQ(margins.left, "22");
    EXPECT_EQ(margins.right, "22");

    // Nothing to measure from: Word's usual margins.
    Table unplaced = TwoColumns({TextCell(0, 0, 101, 140), TextCell(0, 1, 201, 240)});
    for (Cell& cell : unplaced.cells)
        cell.box = {};
    margins = CellMarginsOf(unplaced);
    EXPECT_EQ(margins.left, "108");
    EXPECT_EQ(margins.right, "108");
}

}  // namespace
}  // namespace reconstruct
