#include <gtest/gtest.h>
#include <tinyxml2.h>

#include <algorithm>
#include <map>

#include "ExcelTestSupport.h"
#include "WriterTestSupport.h"
#include "reconstruct/ExcelWriter.h"
#include "support/TempDir.h"

namespace reconstruct {
namespace {

TextRun MakeRun(const std::string& text, bool bold = false, const std::string& link = {}) {
    TextRun run;
    run.text = text;
    run.font.family = "DejaVu Sans";
    run.font.size = 10;
    run.font.bold = bold;
    run.link = link;
    return run;
}

Cell RunsCell(int row, int column, std::vector<TextRun> runs, int row_span = 1) {
    Cell cell;
    cell.row = row;
    cell.column = column;
    cell.row_span = row_span;
    Paragraph paragraph;
    paragraph.runs = std::move(runs);
    cell.paragraphs.push_back(paragraph);
    return cell;
}

Page TablePage(int index, std::vector<Cell> cells, int rows, int columns) {
    Table table;
    table.column_widths.assign(columns, 80);
    table.row_heights.assign(rows, 20);
    table.cells = std::move(cells);
    Page page;
    page.index = index;
    Region region;
    region.blocks = {table};
    page.regions.push_back(region);
    return page;
}

// A sheet's XML with its cells keyed by reference.
class Sheet {
public:
    Sheet(const std::filesystem::path& file, int number) {
        const std::string part = "xl/worksheets/sheet" + std::to_string(number) + ".xml";
        xml_ = ReadPackagePart(file, part);
        rels_ = ReadPackagePart(file,
                                "xl/worksheets/_rels/sheet" + std::to_string(number) + ".xml.rels");
        document_.Parse(xml_.c_str());
        for (const auto* c : AllElements(document_.RootElement(), "c"))
            cells_[c->Attribute("r")] = c;
    }

    const tinyxml2::XMLElement* Cell(const std::string& reference) const {
        const auto found = cells_.find(reference);
        return found == cells_.end() ? nullptr : found->second;
    }

    std::string Text(const std::string& reference) const {
        std::string text;
        if (const auto* c = Cell(reference)) {
            for (const auto* t : AllElements(c, "t"))
                text += t->GetText() ? t->GetText() : "";
            if (const auto* v = c->FirstChildElement("v"))
                text += v->GetText() ? v->GetText() : "";
        }
        return text;
    }

    std::vector<std::string> Values(const char* element, const char* attribute,
                                    const std::string& xml) const {
        tinyxml2::XMLDocument document;
        document.Parse(xml.c_str());
        std::vector<std::string> values;
        for (const auto* node : AllElements(document.RootElement(), element))
            values.push_back(node->Attribute(attribute) ? node->Attribute(attribute) : "");
        return values;
    }

    const std::string& Xml() const { return xml_; }
    const std::string& Rels() const { return rels_; }

private:
    std::string xml_;
    std::string rels_;
    tinyxml2::XMLDocument document_;
    std::map<std::string, const tinyxml2::XMLElement*> cells_;
};

TEST(ExcelWriterStreamingTest, CellsArrivingOutOfRowOrderStillLandInTheirPlaces) {
    // Column A's first two rows are one merged cell; the cells beside and below it come first.
    const auto page = [](int index) {
        const std::string tag = std::to_string(index);
        std::vector<Cell> cells = {
            RunsCell(2, 1, {MakeRun("c" + tag)}), RunsCell(2, 0, {MakeRun("b" + tag)}),
            RunsCell(1, 1, {MakeRun("x" + tag)}), RunsCell(0, 1, {MakeRun("r" + tag)}),
            RunsCell(0, 0, {MakeRun("a" + tag)}, 2)};
        return TablePage(index, cells, 3, 2);
    };
    TempDir temp;
    const auto file = temp / "out.xlsx";
    ASSERT_TRUE(WriteWorkbook(file, {page(0), page(1), page(2)}));
    for (int number = 1; number <= 3; ++number) {
        const Sheet sheet(file, number);
        const std::string tag = std::to_string(number - 1);
        EXPECT_EQ(sheet.Text("A1"), "a" + tag);
        EXPECT_EQ(sheet.Text("B1"), "r" + tag);
        EXPECT_EQ(sheet.Text("B2"), "x" + tag);
        EXPECT_EQ(sheet.Text("A3"), "b" + tag);
        EXPECT_EQ(sheet.Text("B3"), "c" + tag);
        EXPECT_EQ(sheet.Values("mergeCell", "ref", sheet.Xml()), std::vector<std::string>{"A1:A2"});
        EXPECT_NE(sheet.Cell("A2"), nullptr) << "the merge's covered cell keeps its format";
        EXPECT_EQ(sheet.Values("row", "ht", sheet.Xml()),
                  (std::vector<std::string>{"20", "20", "20"}));
    }
}

TEST(ExcelWriterLinksTest, OnlyWebAndMailLinksBecomeHyperlinks) {
    const std::string long_link = "https://example.com/" + std::string(300, 'a');
    std::vector<Cell> cells = {
        RunsCell(0, 0, {MakeRun("site", false, "https://example.com/a")}),
        RunsCell(0, 1, {MakeRun("script", false, "javascript:alert(1)")}),
        RunsCell(1, 0, {MakeRun("mail", false, "mailto:someone@example.com")}),
        RunsCell(1, 1, {MakeRun("long", false, long_link)}),
        RunsCell(2, 0, {MakeRun("see "), MakeRun("here", false, "https://example.com/b")})};
    TempDir temp;
    const auto file = temp / "out.xlsx";
    ASSERT_TRUE(WriteWorkbook(file, {TablePage(0, cells, 3, 2)}));
    const Sheet sheet(file, 1);
    EXPECT_EQ(sheet.Values("hyperlink", "ref", sheet.Xml()),
              (std::vector<std::string>{"A1", "A2"}));
    EXPECT_EQ(sheet.Values("Relationship", "Target", sheet.Rels()),
              (std::vector<std::string>{"https://example.com/a", "mailto:someone@example.com"}));
    EXPECT_EQ(sheet.Text("A1"), "site");
    EXPECT_EQ(sheet.Text("B1"), "script");
    EXPECT_EQ(sheet.Text("B2"), "long");
    EXPECT_EQ(sheet.Text("A3"), "see here") << "text partly a link stays text";
}

TEST(ExcelWriterLinksTest, MixedLooksBecomeRichTextAndUniformOnesStayPlain) {
    TextRun red = MakeRun(" red");
    red.font.color = {255, 0, 0};
    std::vector<Cell> cells = {RunsCell(0, 0, {MakeRun("Total", true), MakeRun(" due")}),
                               RunsCell(0, 1, {MakeRun("one"), MakeRun(" look")}),
                               RunsCell(1, 0, {MakeRun("plain"), red}),
                               RunsCell(1, 1, {MakeRun("42", true), MakeRun(" ")})};
    TempDir temp;
    const auto file = temp / "out.xlsx";
    ASSERT_TRUE(WriteWorkbook(file, {TablePage(0, cells, 2, 2)}));
    const Sheet sheet(file, 1);
    const auto runs = [&](const char* reference) {
        return AllElements(sheet.Cell(reference), "r").size();
    };
    ASSERT_NE(sheet.Cell("A1"), nullptr);
    EXPECT_EQ(runs("A1"), 2u);
    EXPECT_EQ(sheet.Text("A1"), "Total due");
    EXPECT_NE(AllElements(sheet.Cell("A1"), "b").size(), 0u);
    EXPECT_EQ(runs("B1"), 0u);
    EXPECT_EQ(sheet.Text("B1"), "one look");
    EXPECT_EQ(runs("A2"), 2u);
    const auto colors = sheet.Values("color", "rgb", sheet.Xml());
    EXPECT_EQ(std::count(colors.begin(), colors.end(), "FFFF0000"), 1) << "the red run's colour";
    EXPECT_EQ(runs("B2"), 0u) << "a number stays a number";
    EXPECT_EQ(sheet.Text("B2"), "42");
}

TEST(ExcelWriterLinksTest, AFailedWriteLeavesNothingAtTheTarget) {
    TempDir temp;
    // The target is a folder with something in it: the workbook cannot take its place.
    const auto target = temp / "out.xlsx";
    std::filesystem::create_directory(target);
    std::filesystem::create_directory(target / "inside");
    std::string error;
    auto writer = ExcelWriter::Create(target, &error);
    ASSERT_TRUE(writer) << error;
    ASSERT_TRUE(writer->AddPage(TablePage(0, {RunsCell(0, 0, {MakeRun("a")})}, 1, 1), &error));
    EXPECT_FALSE(writer->Finish(&error));
    EXPECT_NE(error.find("out.xlsx"), std::string::npos) << error;
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(temp.Path()))
        names.push_back(entry.path().filename().string());
    EXPECT_EQ(names, std::vector<std::string>{"out.xlsx"}) << "no half-written file is left";
    EXPECT_TRUE(std::filesystem::is_directory(target));
}

}  // namespace
}  // namespace reconstruct
