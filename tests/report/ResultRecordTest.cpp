#include "report/ResultRecord.h"

#include <gtest/gtest.h>

#include <map>
#include <string>

#include "report/FileNameEncoding.h"
#include "report/FileTypes.h"
#include "report/UsageSender.h"

namespace report {
namespace {

std::int64_t IntOf(const UsageRecord& record, std::string_view name) {
    const FieldValue* value = record.Find(name);
    EXPECT_NE(value, nullptr) << name;
    const auto* number = value ? std::get_if<std::int64_t>(value) : nullptr;
    EXPECT_NE(number, nullptr) << name;
    return number ? *number : -999;
}

// Every field of the record that does not hold its starting value (0 or "").
std::map<std::string, std::string> ChangedFields(const UsageRecord& record) {
    std::map<std::string, std::string> changed;
    for (std::size_t i = 0; i < record.values().size(); ++i) {
        const auto& value = record.values()[i];
        EXPECT_TRUE(value) << record.schema().fields[i].name << " was never set";
        if (!value)
            continue;
        const std::string& name = record.schema().fields[i].name;
        if (const auto* number = std::get_if<std::int64_t>(&*value); number && *number != 0)
            changed[name] = std::to_string(*number);
        if (const auto* text = std::get_if<std::string>(&*value); text && !text->empty())
            changed[name] = *text;
    }
    return changed;
}

TEST(FileTypesTest, CodesComeFromTheExtensionWithoutCase) {
    struct Case {
        const char* path;
        int code;
    };
    const Case kCases[] = {
        {"a.doc", 1},     {"a.docx", 2},   {"a.xls", 3},        {"a.xlsx", 4},
        {"a.pptx", 5},    {"a.txt", 6},    {"a.pdf", 7},        {"a.jpg", 8},
        {"a.png", 9},     {"a.gif", 10},   {"a.bmp", 11},       {"a.tip", 12},
        {"a.dxf", 13},    {"a.dwg", 14},   {"a.jpeg", 15},      {"a.tif", 16},
        {"a.tiff", 17},   {"a.ppt", 18},   {"/x/Y.PDF", 7},     {"/x/y.DocX", 2},
        {"a.tar.pdf", 7}, {"a.pdf.gz", 0}, {"a.", 0},           {"", 0},
        {".pdf", 7},      {"pdf", 7},      {"/home/me/PNG", 9}, {"/dir.pdf/file", 0},
        {"a.pdff", 0},    {"a.odt", 0},
    };
    for (const Case& c : kCases)
        EXPECT_EQ(FileTypeCode(c.path), c.code) << c.path;
}

TEST(ResultRecordTest, ResultIsCancelledSuccessOrFailure) {
    struct Case {
        bool cancelled;
        int result;
        int expected;
    };
    const Case kCases[] = {{true, 1, 3},  {true, -1, 3}, {false, 1, 1},
                           {false, 0, 2}, {false, 2, 2}, {false, -1, 2}};
    for (const Case& c : kCases) {
        TaskResultFacts facts;
        facts.cancelled = c.cancelled;
        facts.result = c.result;
        EXPECT_EQ(IntOf(BuildResultRecord(facts), "result"), c.expected)
            << c.cancelled << " " << c.result;
    }
}

TEST(ResultRecordTest, RunTimeAndServerDependOnTheWindow) {
    struct Case {
        ResultWindow window;
        int result;
        int is_local;
        int r_time;
        int r_server;
    };
    // start 1000, phase 3000, end 10000
    const Case kCases[] = {
        {ResultWindow::PdfToDocument, 1, 1, 7000, 2},
        {ResultWindow::DocumentToPdf, 0, 0, 7000, 1},
        {ResultWindow::PdfToImage, 1, 0, 7000, 1},
        {ResultWindow::OfficeToImages, 1, 5, 7000, 2},
        {ResultWindow::PdfToDocument, -1, 0, 2000, 2},  // still running when reported
        {ResultWindow::ImageToPdf, 1, 0, 7000, 2},
        {ResultWindow::PdfPageTool, -1, 0, 7000, 2},
        {ResultWindow::PictureCompress, 1, 1, 7000, 1},
        {ResultWindow::ChangeFormat, -1, 1, 7000, 1},
        {ResultWindow::Other, 1, 1, 7000, 1},
    };
    for (const Case& c : kCases) {
        SCOPED_TRACE(static_cast<int>(c.window));
        TaskResultFacts facts;
        facts.window = c.window;
        facts.result = c.result;
        facts.is_local = c.is_local;
        facts.times = {1000, 3000, 10000};
        const UsageRecord record = BuildResultRecord(facts);
        EXPECT_EQ(IntOf(record, "r_time"), c.r_time);
        EXPECT_EQ(IntOf(record, "r_server"), c.r_server);
    }
}

TEST(ResultRecordTest, ConversionWindowFillsTheCommonFields) {
    TaskResultFacts facts;
    facts.window = ResultWindow::PdfToDocument;
    facts.function_code = 12;
    facts.result = 1;
    facts.is_image_pdf = 1;
    facts.source_path = "/home/me/in.PDF";
    facts.output_path = "/home/me/in.docx";
    facts.source_size = 4000;
    facts.output_size = 6000000000;  // past the int range: stops at its end
    facts.page_count = 9;
    facts.selected_page_count = 4;
    facts.error_msg = "none";
    facts.error_type = 5;
    facts.times = {100, 100, 350};
    facts.cooperation_id = 77;

    const std::map<std::string, std::string> expected = {
        {"result", "1"},
        {"source_type", "7"},
        {"file_type", "2"},
        {"size", "2147483647"},
        {"totalpages", "9"},
        {"resultpages", "4"},
        {"ver", std::to_string(CommonVer())},
        {"filename", EncodeFileName("/home/me/in.PDF")},
        {"filesize", "4000"},
        {"errormsg", "none"},
        {"result_type", "12"},
        {"ocr", "1"},
        {"r_time", "250"},
        {"r_server", "2"},
        {"product_id", std::to_string(CommonProductId())},
        {"cooperation_id", "77"},
        {"error_type", "5"},
        {"version", "1"},
        {"compression_ratio", "150000000"},
    };
    EXPECT_EQ(ChangedFields(BuildResultRecord(facts)), expected);
}

TEST(ResultRecordTest, OcrFlagAndRealPageCountsBelongToSomeWindowsOnly) {
    struct Case {
        ResultWindow window;
        int ocr;
        int pages;
    };
    const Case kCases[] = {
        {ResultWindow::PdfToDocument, 1, 9},   {ResultWindow::DocumentToPdf, 0, 9},
        {ResultWindow::PdfPageTool, 0, 9},     {ResultWindow::PictureCompress, 0, 1},
        {ResultWindow::PictureResize, 0, 1},   {ResultWindow::ChangeFormat, 0, 1},
        {ResultWindow::TextRecognition, 0, 1}, {ResultWindow::ImageToPdf, 0, 9},
    };
    for (const Case& c : kCases) {
        TaskResultFacts facts;
        facts.window = c.window;
        facts.is_image_pdf = 1;
        facts.page_count = 9;
        facts.selected_page_count = 9;
        const UsageRecord record = BuildResultRecord(facts);
        EXPECT_EQ(IntOf(record, "ocr"), c.ocr) << static_cast<int>(c.window);
        EXPECT_EQ(IntOf(record, "totalpages"), c.pages) << static_cast<int>(c.window);
        EXPECT_EQ(IntOf(record, "resultpages"), c.pages) << static_cast<int>(c.window);
    }
}

TEST(ResultRecordTest, ImageToPdfSendsItsChoices) {
    const std::pair<int, int> kQualityToCompression[] = {{100, 1}, {75, 2}, {50, 3}, {25, 4}};
    for (const auto& [quality, compression] : kQualityToCompression) {
        TaskResultFacts facts;
        facts.window = ResultWindow::ImageToPdf;
        facts.image_to_pdf = {0, 1, 2, quality, quality == 50};
        const UsageRecord record = BuildResultRecord(facts);
        EXPECT_EQ(IntOf(record, "paper"), 1);
        EXPECT_EQ(IntOf(record, "direction"), 2);
        EXPECT_EQ(IntOf(record, "margin"), 3);
        EXPECT_EQ(IntOf(record, "compression"), compression) << quality;
        EXPECT_EQ(IntOf(record, "item3"), quality == 50 ? 2 : 1);
    }
}

TEST(ResultRecordTest, ToolWindowsAddTheirOwnFields) {
    TaskResultFacts facts;
    facts.source_path = "/p/photo.Jpeg";
    facts.source_size = 8'000'000'000;
    facts.output_size = 2'000'000'000;
    facts.target_size_kb = 300;
    facts.source_picture = {4000, 3000};
    facts.target_picture = {800, 600};

    facts.window = ResultWindow::PdfPageTool;
    auto changed = ChangedFields(BuildResultRecord(facts));
    EXPECT_EQ(changed["src_file_size"], "8000000000");
    EXPECT_EQ(changed["dst_file_size"], "2000000000");
    EXPECT_EQ(changed["compression_ratio"], "25");
    EXPECT_EQ(changed.count("targetsize"), 0u);

    facts.window = ResultWindow::PictureCompress;
    changed = ChangedFields(BuildResultRecord(facts));
    EXPECT_EQ(changed["src_file_size"], "8000000000");
    EXPECT_EQ(changed["targetsize"], "300");
    EXPECT_EQ(changed.count("asize"), 0u);

    facts.window = ResultWindow::PictureResize;
    facts.compression_ratio = 20;
    changed = ChangedFields(BuildResultRecord(facts));
    EXPECT_EQ(changed["asize"], "4000*3000");
    EXPECT_EQ(changed["bsize"], "800*600");
    EXPECT_EQ(changed["compression_ratio"], "20");
    EXPECT_EQ(changed.count("src_file_size"), 0u);

    facts.window = ResultWindow::ChangeFormat;
    changed = ChangedFields(BuildResultRecord(facts));
    EXPECT_EQ(changed["picture_format"], "Jpeg");
    EXPECT_EQ(changed.count("bsize"), 0u);
}

TEST(ResultRecordTest, CompressionRatioFallsBackToTheSizes) {
    struct Case {
        int given;
        std::int64_t source;
        std::int64_t output;
        int expected;
    };
    const Case kCases[] = {
        {0, 200, 50, 25}, {0, 0, 50, 0}, {0, 3, 10, 333}, {40, 200, 50, 40}, {0, 200, 0, 0},
    };
    for (const Case& c : kCases) {
        TaskResultFacts facts;
        facts.compression_ratio = c.given;
        facts.source_size = c.source;
        facts.output_size = c.output;
        EXPECT_EQ(IntOf(BuildResultRecord(facts), "compression_ratio"), c.expected)
            << c.given << " " << c.source << " " << c.output;
    }
}

TEST(FileLoadRecordTest, LoadCodeFollowsPagesThenEncryption) {
    struct Case {
        int pages;
        int encryption;
        int code;
    };
    const Case kCases[] = {
        {1, -1, 1}, {250, 1, 1}, {-1, -1, 2}, {-1, 1, 3},  {-1, 0, 4},
        {-1, 2, 4}, {0, -1, 4},  {0, 1, 4},   {-2, -1, 4},
    };
    for (const Case& c : kCases)
        EXPECT_EQ(FileLoadCode(c.pages, c.encryption), c.code) << c.pages << " " << c.encryption;
}

TEST(FileLoadRecordTest, SendsOnlyTheFileFacts) {
    FileLoadFacts facts;
    facts.path = "/docs/scan.pdf";
    facts.size = 123456;
    facts.page_count = -1;
    facts.encryption = 1;
    facts.is_image_pdf = 1;
    facts.query = TaskTimes{10, 40, 540};
    const std::map<std::string, std::string> expected = {
        {"source_type", "7"},   {"filename", EncodeFileName("/docs/scan.pdf")},
        {"filesize", "123456"}, {"totalpages", "-1"},
        {"ocr", "1"},           {"r_time", "500"},
        {"file_load", "3"},
    };
    EXPECT_EQ(ChangedFields(BuildFileLoadRecord(facts)), expected);

    facts.query.reset();
    facts.page_count = 1;
    EXPECT_EQ(IntOf(BuildFileLoadRecord(facts), "r_time"), 0);
    EXPECT_EQ(IntOf(BuildFileLoadRecord(facts), "file_load"), 1);
}

}  // namespace
}  // namespace report
