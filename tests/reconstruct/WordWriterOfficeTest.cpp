// The written documents opened by a real word processor: LibreOffice converts them, and the
// text, pages, tables and pictures must come back.
#include <gtest/gtest.h>

#include "WordTestSupport.h"
#include "platform/Process.h"
#include "reconstruct/WordWriter.h"
#include "support/TempDir.h"
#include "support/TestPdf.h"

namespace reconstruct {
namespace {

using wordtest::APage;
using wordtest::Band;
using wordtest::MakeRun;
using wordtest::Para;
using wordtest::ParagraphOf;
using wordtest::Picture;

bool WriteDocument(const std::filesystem::path& file, const std::filesystem::path& scratch,
                   const std::vector<Page>& pages, const RunningText& running, std::string* error) {
    auto writer = WordWriter::Create(file, scratch, running, error);
    if (!writer)
        return false;
    for (const Page& page : pages) {
        if (!writer->AddPage(page, error))
            return false;
    }
    return writer->Finish(error);
}

// Converts `document` with a headless LibreOffice of its own profile; the output lands next to
// it with the extension of `format`.
bool Convert(const TempDir& temp, const std::filesystem::path& document,
             const std::string& format) {
    return testdocs::RunTool(
        "soffice",
        {"-env:UserInstallation=file://" + (temp / "profile").string(), "--headless", "--norestore",
         "--convert-to", format, "--outdir", temp.Path().string(), document.string()});
}

bool HaveLibreOffice() {
    return !platform::FindInPath("soffice").empty();
}

TEST(WordWriterOfficeTest, TextAndPagesComeBackThroughAWordProcessor) {
    if (!HaveLibreOffice())
        GTEST_SKIP() << "LibreOffice (soffice) is not installed";
    TempDir temp;
    TextRun bold = MakeRun("Quarterly results", "DejaVu Serif", 16);
    bold.font.bold = true;
    Paragraph title = ParagraphOf({bold});
    title.heading_level = 1;
    Paragraph item = Para("first point", 72, "DejaVu Sans");
    item.list = ListKind::kDecimal;
    item.list_marker = "4.";
    item.list_number = 4;
    Page scanned = APage(3, {});
    scanned.page_image = Picture(wordtest::kRedPixelPng, "image/png", {0, 0, 612, 792});
    const std::vector<Page> pages = {
        APage(0, {Band({title, Para("Revenue grew in every region."), item})}),
        APage(1, {Band({ParagraphOf({MakeRun("中文段落测试，", "Noto Serif CJK SC"),
                                     MakeRun("mixed with Latin", "DejaVu Serif")})})}),
        APage(2, {Band({Para("Left column text"), Para("Right column text", 320)}, 2)}),
        scanned,
    };
    RunningText running;
    TextRun number = MakeRun("1", "DejaVu Sans", 9);
    number.page_number = true;
    running.footer = {ParagraphOf({MakeRun("Page ", "DejaVu Sans", 9), number})};
    std::string error;
    ASSERT_TRUE(WriteDocument(temp / "report.docx", temp / "scratch", pages, running, &error))
        << error;
    ASSERT_TRUE(Convert(temp, temp / "report.docx", "pdf"));

    const auto texts = testdocs::PageTexts(temp / "report.pdf");
    ASSERT_EQ(texts.size(), pages.size());
    EXPECT_NE(texts[0].find("Quarterly results"), std::string::npos) << texts[0];
    EXPECT_NE(texts[0].find("Revenue grew in every region."), std::string::npos) << texts[0];
    EXPECT_NE(texts[0].find("4."), std::string::npos) << texts[0];
    EXPECT_NE(texts[1].find("中文段落测试，mixed with Latin"), std::string::npos) << texts[1];
    EXPECT_NE(texts[2].find("Right column text"), std::string::npos) << texts[2];
    // The footer's number is a field: each page shows its own.
    EXPECT_NE(texts[1].find("Page 2"), std::string::npos) << texts[1];
    EXPECT_NE(texts[2].find("Page 3"), std::string::npos) << texts[2];
    EXPECT_EQ(texts[3], "");
}

TEST(WordWriterOfficeTest, TablesAndPicturesComeBackThroughAWordProcessor) {
    if (!HaveLibreOffice())
        GTEST_SKIP() << "LibreOffice (soffice) is not installed";
    TempDir temp;
    Table table;
    table.box = {72, 100, 372, 160};
    table.column_widths = {100, 100, 100};
    table.row_heights = {20, 20, 20};
    const std::pair<int, int> positions[] = {{0, 0}, {1, 0}, {1, 1}, {1, 2}, {2, 1}, {2, 2}};
    for (const auto& [row, column] : positions) {
        Cell cell;
        cell.row = row;
        cell.column = column;
        cell.column_span = row == 0 ? 3 : 1;
        cell.row_span = row == 1 && column == 0 ? 2 : 1;
        cell.borders = {0.5, 0.5, 0.5, 0.5, {}};
        cell.paragraphs = {Para("cell" + std::to_string(row) + std::to_string(column))};
        table.cells.push_back(cell);
    }
    const Image picture = Picture(wordtest::kRedPixelPng, "image/png", {72, 200, 172, 250});
    std::string error;
    ASSERT_TRUE(WriteDocument(temp / "table.docx", temp / "scratch",
                              {APage(0, {Band({table, picture})})}, {}, &error))
        << error;
    ASSERT_TRUE(Convert(temp, temp / "table.docx", "html"));

    const std::string html = testdocs::ReadFile(temp / "table.html");
    ASSERT_FALSE(html.empty());
    EXPECT_NE(html.find("<table"), std::string::npos);
    EXPECT_NE(html.find("colspan=\"3\""), std::string::npos);
    EXPECT_NE(html.find("rowspan=\"2\""), std::string::npos);
    for (const char* text : {"cell00", "cell10", "cell11", "cell12", "cell21", "cell22"})
        EXPECT_NE(html.find(text), std::string::npos) << text;
    EXPECT_NE(html.find("<img"), std::string::npos);
}

}  // namespace
}  // namespace reconstruct
