#include "reconstruct/ExcelWriter.h"

#include <gtest/gtest.h>
#include <tinyxml2.h>

#include <cmath>
#include <limits>
#include <map>
#include <sstream>

#include "ExcelTestSupport.h"
#include "WriterTestSupport.h"
#include "platform/Process.h"
#include "support/TempDir.h"
#include "support/TestPdf.h"

namespace reconstruct {
namespace {

Paragraph Text(const std::string& text, Rect box, bool bold = false) {
    Paragraph paragraph;
    paragraph.box = box;
    TextRun run;
    run.text = text;
    run.font.family = "DejaVu Sans";
    run.font.size = 10;
    run.font.bold = bold;
    paragraph.runs.push_back(run);
    return paragraph;
}

Cell MakeCell(int row, int column, const std::string& text, int column_span = 1) {
    Cell cell;
    cell.row = row;
    cell.column = column;
    cell.column_span = column_span;
    cell.paragraphs.push_back(Text(text, {0, 0, 50, 12}));
    cell.borders = {0.5, 0.5, 0.5, 0.5, {0, 0, 0}};
    return cell;
}

// A title, then a table whose header row is one merged cell, then a note.
Page ReportPage(int index) {
    Table table;
    table.box = {72, 120, 342, 180};
    table.column_widths = {100, 80, 90};
    table.row_heights = {20, 18, 22};
    Cell header = MakeCell(0, 0, "Sales 2024", 3);
    header.paragraphs.front().runs.front().font.bold = true;
    header.paragraphs.front().align = Align::kCenter;
    header.shading = Rgb{0xDD, 0xEE, 0xFF};
    header.borders.bottom = 1.5;
    table.cells = {header,
                   MakeCell(1, 0, "Item"),
                   MakeCell(1, 1, "Amount"),
                   MakeCell(1, 2, "Date"),
                   MakeCell(2, 0, "00123"),
                   MakeCell(2, 1, "1,234.50"),
                   MakeCell(2, 2, "2024-01-05")};
    Page page;
    page.index = index;
    page.width = 595;
    page.height = 842;
    Region region;
    region.blocks = {Text("Quarterly report", {72, 72, 472, 90}, true), table,
                     Text("Figures are unaudited.", {72, 200, 300, 212})};
    page.regions.push_back(region);
    return page;
}

// The cells of one sheet as text, keyed by reference ("B3"), with the cell's type attribute and
// style index. Strings are written inline: the sheet's rows are streamed.
struct SheetCell {
    std::string type;
    std::string value;
    int style = 0;
};

// The text of every <t> under `element`, in order: a rich string's runs joined.
std::string InlineText(const tinyxml2::XMLElement* element) {
    std::string text;
    for (const auto* t : AllElements(element, "t"))
        text += t->GetText() ? t->GetText() : "";
    return text;
}

class ExcelPackage {
public:
    explicit ExcelPackage(const std::filesystem::path& file) : file_(file) {}

    std::string Part(const std::string& name) const { return ReadPackagePart(file_, name); }

    std::map<std::string, SheetCell> Cells(int sheet) const {
        tinyxml2::XMLDocument document;
        document.Parse(Part("xl/worksheets/sheet" + std::to_string(sheet) + ".xml").c_str());
        std::map<std::string, SheetCell> cells;
        const auto* data = document.RootElement()->FirstChildElement("sheetData");
        for (auto* row = data->FirstChildElement("row"); row; row = row->NextSiblingElement()) {
            for (auto* c = row->FirstChildElement("c"); c; c = c->NextSiblingElement()) {
                SheetCell cell;
                cell.type = c->Attribute("t") ? c->Attribute("t") : "n";
                cell.style = c->IntAttribute("s");
                const auto* v = c->FirstChildElement("v");
                cell.value = v && v->GetText() ? v->GetText() : "";
                if (const auto* is = c->FirstChildElement("is"))
                    cell.value = InlineText(is);
                cells[c->Attribute("r")] = cell;
            }
        }
        return cells;
    }

private:
    std::filesystem::path file_;
};

// The values of `attribute` on every `element` of the XML, in document order.
std::vector<std::string> Attributes(const std::string& xml, const char* element,
                                    const char* attribute) {
    tinyxml2::XMLDocument document;
    document.Parse(xml.c_str());
    std::vector<std::string> values;
    for (const auto* node : AllElements(document.RootElement(), element)) {
        if (node->Attribute(attribute))
            values.push_back(node->Attribute(attribute));
    }
    return values;
}

TEST(ExcelWriterTest, TableCellsAreTypedMergedAndSurroundedByThePagesText) {
    TempDir temp;
    const auto file = temp / "out.xlsx";
    ASSERT_TRUE(WriteWorkbook(file, {ReportPage(0), ReportPage(2)}));
    ExcelPackage package(file);

    const auto cells = package.Cells(1);
    const std::vector<std::tuple<const char*, const char*, const char*>> expected = {
        {"A1", "inlineStr", "Quarterly report"},
        {"A2", "inlineStr", "Sales 2024"},
        {"A3", "inlineStr", "Item"},
        {"B3", "inlineStr", "Amount"},
        {"C3", "inlineStr", "Date"},
        {"A4", "inlineStr", "00123"},
        {"B4", "n", "1234.5"},
        {"C4", "n", "45296"},
        {"A6", "inlineStr", "Figures are unaudited."}};
    for (const auto& [reference, type, value] : expected) {
        ASSERT_TRUE(cells.contains(reference)) << reference;
        EXPECT_EQ(cells.at(reference).type, type) << reference;
        EXPECT_EQ(cells.at(reference).value, value) << reference;
    }
    EXPECT_FALSE(cells.contains("A5")) << "a blank row follows the table";

    const std::string sheet = package.Part("xl/worksheets/sheet1.xml");
    // Text wider than column A spans the table's columns.
    EXPECT_EQ(Attributes(sheet, "mergeCell", "ref"),
              (std::vector<std::string>{"A1:C1", "A2:C2", "A6:C6"}));
    const auto widths = Attributes(sheet, "col", "width");
    const std::vector<double> points = {100, 80, 90};
    ASSERT_EQ(widths.size(), points.size());
    for (std::size_t c = 0; c < widths.size(); ++c)
        EXPECT_NEAR(std::stod(widths[c]), std::round(points[c] * 96 / 72) / 7, 1.0 / 256)
            << "columns are whole pixels of 1/7 of a character";
    const auto heights = Attributes(sheet, "row", "ht");
    EXPECT_EQ(std::vector<std::string>(heights.begin(), heights.begin() + 4),
              (std::vector<std::string>{"18", "20", "18", "22"}));

    const std::string workbook = package.Part("xl/workbook.xml");
    EXPECT_EQ(Attributes(workbook, "sheet", "name"),
              (std::vector<std::string>{"Page 1", "Page 3"}));
}

TEST(ExcelWriterTest, NumberFormatsBordersAndFillsReachTheStyles) {
    TempDir temp;
    const auto file = temp / "out.xlsx";
    ASSERT_TRUE(WriteWorkbook(file, {ReportPage(0)}));
    ExcelPackage package(file);
    const auto cells = package.Cells(1);
    const std::string styles = package.Part("xl/styles.xml");

    tinyxml2::XMLDocument document;
    document.Parse(styles.c_str());
    std::map<int, std::string> formats;
    for (auto* f = document.RootElement()->FirstChildElement("numFmts")->FirstChildElement(); f;
         f = f->NextSiblingElement())
        formats[f->IntAttribute("numFmtId")] = f->Attribute("formatCode");
    std::vector<const tinyxml2::XMLElement*> xfs;
    for (auto* xf = document.RootElement()->FirstChildElement("cellXfs")->FirstChildElement(); xf;
         xf = xf->NextSiblingElement())
        xfs.push_back(xf);
    const auto format_of = [&](const char* reference) {
        return formats[xfs.at(cells.at(reference).style)->IntAttribute("numFmtId")];
    };
    EXPECT_EQ(format_of("B4"), "#,##0.00");
    EXPECT_EQ(format_of("C4"), "yyyy-mm-dd");

    EXPECT_EQ(Attributes(styles, "fgColor", "rgb"), (std::vector<std::string>{"FFDDEEFF"}));
    const auto border_styles = Attributes(styles, "bottom", "style");
    EXPECT_NE(std::find(border_styles.begin(), border_styles.end(), "medium"), border_styles.end());
    EXPECT_NE(std::find(border_styles.begin(), border_styles.end(), "thin"), border_styles.end());
    EXPECT_NE(styles.find("DejaVu Sans"), std::string::npos);
}

TEST(ExcelWriterTest, PicturesFloatFromTheNextFreeRowAndKeepTheirRowsFree) {
    TempDir temp;
    const auto file = temp / "out.xlsx";
    {
        Image picture;
        picture.box = {72, 100, 172, 130};
        picture.mime = "image/png";
        picture.bytes = kRedPng;
        picture.pixel_width = picture.pixel_height = 2;
        Page page;
        page.height = 842;
        Region region;
        region.blocks = {Text("above", {72, 80, 200, 92}), picture,
                         Text("below", {72, 140, 200, 152})};
        page.regions.push_back(region);
        std::string error;
        auto writer = ExcelWriter::Create(file, &error);
        ASSERT_TRUE(writer->AddPage(page, &error)) << error;
        page = {};  // the workbook must not depend on the page's memory
        ASSERT_TRUE(writer->Finish(&error)) << error;
    }
    ExcelPackage package(file);
    const auto cells = package.Cells(1);
    EXPECT_EQ(cells.at("A1").value, "above");
    EXPECT_EQ(cells.at("A4").value, "below") << "30 points of picture take two rows";
    const std::string media = package.Part("xl/media/image1.png");
    EXPECT_EQ(std::vector<unsigned char>(media.begin(), media.end()), kRedPng);
    tinyxml2::XMLDocument drawing;
    drawing.Parse(package.Part("xl/drawings/drawing1.xml").c_str());
    const auto* from = drawing.RootElement()->FirstChildElement()->FirstChildElement("xdr:from");
    ASSERT_NE(from, nullptr);
    EXPECT_STREQ(from->FirstChildElement("xdr:row")->GetText(), "1");
}

TEST(ExcelWriterTest, ScannedPageIsOnePictureAtTheTop) {
    Page page;
    page.width = 595;
    page.height = 842;
    page.page_image = Image{{}, "image/png", kRedPng, 2, 2};
    TempDir temp;
    const auto file = temp / "out.xlsx";
    ASSERT_TRUE(WriteWorkbook(file, {page}));
    ExcelPackage package(file);
    EXPECT_EQ(package.Part("xl/media/image1.png").size(), kRedPng.size());
    tinyxml2::XMLDocument drawing;
    drawing.Parse(package.Part("xl/drawings/drawing1.xml").c_str());
    const auto rows = AllElements(drawing.RootElement(), "xdr:row");
    ASSERT_EQ(rows.size(), 2u);
    EXPECT_STREQ(rows[0]->GetText(), "0");
    // Spans the page's height in 20-pixel rows.
    EXPECT_EQ(std::stoi(rows[1]->GetText()), 842 * 96 / 72 / 20);
}

TEST(ExcelWriterTest, BrokenMeasuresNeverReachTheSheet) {
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const double inf = std::numeric_limits<double>::infinity();
    Table table;
    table.column_widths = {nan, inf};
    table.row_heights = {nan, -5};
    table.cells = {MakeCell(0, 0, "a"), MakeCell(1, 1, "b")};
    Image picture;
    picture.box = {0, 0, 10, inf};
    picture.mime = "image/png";
    picture.bytes = {1, 2, 3};
    Page page;
    page.height = inf;
    Region region;
    region.blocks = {Text("title", {nan, nan, inf, inf}), table, picture, Text("end", {})};
    page.regions.push_back(region);

    TempDir temp;
    const auto file = temp / "out.xlsx";
    ASSERT_TRUE(WriteWorkbook(file, {page}));
    ExcelPackage package(file);
    const std::string sheet = package.Part("xl/worksheets/sheet1.xml");
    EXPECT_EQ(sheet.find("nan"), std::string::npos);
    EXPECT_EQ(sheet.find("inf"), std::string::npos);
    const auto cells = package.Cells(1);
    EXPECT_EQ(cells.at("A1").value, "title");
    EXPECT_EQ(cells.at("B3").value, "b");
    EXPECT_EQ(cells.at("A5").value, "end") << "a picture without a size takes no rows";
}

TEST(ExcelWriterTest, ColumnWidthsInCharacters) {
    EXPECT_DOUBLE_EQ(ExcelColumnWidth(0), 0);
    EXPECT_DOUBLE_EQ(ExcelColumnWidth(-10), 0);
    EXPECT_DOUBLE_EQ(ExcelColumnWidth(6), 8.0 / 12);         // 8 pixels: narrower than a digit
    EXPECT_DOUBLE_EQ(ExcelColumnWidth(72), (96.0 - 5) / 7);  // one inch
    EXPECT_DOUBLE_EQ(ExcelColumnWidth(5000), 255);
}

TEST(ExcelWriterTest, AFinishedOrUnwritableWorkbookReportsWhy) {
    TempDir temp;
    std::string error;
    auto writer = ExcelWriter::Create(temp / "missing" / "out.xlsx", &error);
    ASSERT_TRUE(writer);
    ASSERT_TRUE(writer->AddPage(ReportPage(0), &error)) << error;
    EXPECT_FALSE(writer->Finish(&error));
    EXPECT_FALSE(error.empty());
    error.clear();
    EXPECT_FALSE(writer->AddPage(ReportPage(1), &error));
    EXPECT_FALSE(error.empty());
}

TEST(ExcelWriterTest, SpreadsheetProgramReadsTheValuesBack) {
    if (platform::FindInPath("soffice").empty())
        GTEST_SKIP() << "soffice is not installed";
    TempDir temp;
    const auto file = temp / "report.xlsx";
    ASSERT_TRUE(WriteWorkbook(file, {ReportPage(0)}));
    ASSERT_TRUE(testdocs::RunTool(
        "soffice", {"--headless", "-env:UserInstallation=file://" + (temp / "profile").string(),
                    "--convert-to", "csv", "--outdir", temp.Path().string(), file.string()}));
    std::istringstream csv(testdocs::ReadFile(temp / "report.csv"));
    std::vector<std::string> lines;
    for (std::string line; std::getline(csv, line);)
        lines.push_back(line);
    ASSERT_GE(lines.size(), 6u);
    EXPECT_EQ(lines[0], "Quarterly report,,");
    EXPECT_EQ(lines[1], "Sales 2024,,");
    EXPECT_EQ(lines[2], "Item,Amount,Date");
    EXPECT_EQ(lines[3], "00123,1234.5,2024-01-05");
    EXPECT_EQ(lines[5], "Figures are unaudited.,,");
}

}  // namespace
}  // namespace reconstruct
