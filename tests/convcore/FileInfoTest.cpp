#include <gtest/gtest.h>

#include <chrono>
#include <map>

#include "convcore/FileInfoCommand.h"
#include "convcore/LibreOfficePdf.h"
#include "convcore/RecordingContext.h"
#include "convcore/TestDocuments.h"
#include "quire-mupdf/PdfFacts.h"
#include "support/TempDir.h"

namespace convcoretest {
namespace {

using convcore::TaskOutcome;

struct Expected {
    int page_count;
    int is_encrypted;
    int is_image_pdf;
    int is_unreadable;
    int can_to_cad;
};

class FileInfoTest : public ::testing::Test {
protected:
    TaskOutcome Query(const std::filesystem::path& file, const std::string& password = "",
                      int check_image = 1) {
        Json::Value record;
        record["cmd"] = "get_file_info";
        record["file"] = file.string();
        record["check_img_pdf"] = check_image;
        record["try_no"] = 0;
        if (!password.empty())
            record["password"] = password;
        context_ = RecordingContext();
        return convcore::GetFileInfo(record, context_);
    }

    void ExpectFacts(const Expected& expected, const std::string& label) {
        SCOPED_TRACE(label);
        EXPECT_EQ(context_.Value("page_count"), expected.page_count);
        EXPECT_EQ(context_.Value("is_encrypted"), expected.is_encrypted);
        EXPECT_EQ(context_.Value("is_image_pdf"), expected.is_image_pdf);
        EXPECT_EQ(context_.Value("is_unreadable_pdf"), expected.is_unreadable);
        EXPECT_EQ(context_.Value("pdf_canto_cad"), expected.can_to_cad);
    }

    std::filesystem::path Write(const std::string& name, const std::string& data) {
        WriteFile(folder_ / name, data);
        return folder_ / name;
    }

    TempDir folder_;
    RecordingContext context_;
};

TEST_F(FileInfoTest, PdfFactsFollowWhatThePagesDraw) {
    struct Case {
        std::string label;
        std::vector<TestPage> pages;
        std::string info;
        Expected expected;
    };
    const TestPage text{kTextContent, ""};
    const TestPage image{kImageContent, ""};
    const TestPage blank{kBlankContent, ""};
    const TestPage plan{LineDrawingContent(300), ""};
    const Case cases[] = {
        {"text", {text, text, text}, "", {3, 0, 0, 0, 0}},
        {"scans", {image, image}, "", {2, 0, 1, 0, 0}},
        {"scans with an empty page", {image, blank, image}, "", {3, 0, 1, 0, 0}},
        {"one text page among scans", {image, text}, "", {2, 0, 0, 0, 0}},
        {"image with words on it",
         {{std::string(kImageContent) + kTextContent, ""}},
         "",
         {1, 0, 0, 0, 0}},
        {"only empty pages", {blank, blank}, "", {2, 0, 0, 0, 0}},
        {"plan", {plan, plan, text}, "", {3, 0, 0, 0, 1}},
        {"few lines are no plan", {{LineDrawingContent(30), ""}}, "", {1, 0, 0, 0, 0}},
        // Later pages still count until they can no longer change the answer.
        {"plans after text pages", {text, text, plan, plan, plan}, "", {5, 0, 0, 0, 1}},
        {"an even split is no plan", {text, text, text, plan, plan, plan}, "", {6, 0, 0, 0, 0}},
        {"plans first, text after", {plan, plan, text, text, text}, "", {5, 0, 0, 0, 0}},
        {"plans then one text page", {plan, plan, plan, text}, "", {4, 0, 0, 0, 1}},
        {"text before scans", {text, image, image, image}, "", {4, 0, 0, 0, 0}},
        {"CAD producer", {text}, "/Producer (ExampleCAD 2.1 PDF plot)", {1, 0, 0, 0, 1}},
        {"CAD creator", {text}, "/Creator (DWG export)", {1, 0, 0, 0, 1}},
        {"CAD-like word is not CAD", {text}, "/Producer (Arcade writer)", {1, 0, 0, 0, 0}},
    };
    for (const Case& test : cases) {
        const auto file = Write("doc.pdf", BuildPdf(test.pages, test.info));
        const TaskOutcome outcome = Query(file);
        EXPECT_TRUE(outcome.ok) << test.label << ": " << outcome.error;
        ExpectFacts(test.expected, test.label);
        EXPECT_EQ(context_.Value("password_ok"), 1) << test.label;
    }
}

TEST_F(FileInfoTest, PageSizeCountsRotationAndUserUnitAndTheLargestPageWins) {
    struct Case {
        std::string attributes;
        int width;
        int height;
        int scale;
    };
    const Case cases[] = {
        {"", 595, 842, 100},
        {"/Rotate 90", 842, 595, 100},
        {"/MediaBox [0 0 1000 300]", 1000, 300, 100},
        {"/UserUnit 2", 1190, 1684, 200},
    };
    for (const Case& test : cases) {
        const auto file = Write("sized.pdf", BuildPdf({{kTextContent, test.attributes}}));
        ASSERT_TRUE(Query(file).ok);
        EXPECT_EQ(context_.Value("max_width"), test.width) << test.attributes;
        EXPECT_EQ(context_.Value("max_height"), test.height) << test.attributes;
        EXPECT_EQ(context_.Value("max_scale"), test.scale) << test.attributes;
    }

    // Width and height may come from different pages.
    const auto file = Write(
        "mixed.pdf", BuildPdf({{kTextContent, "/MediaBox [0 0 1000 300]"}, {kTextContent, ""}}));
    ASSERT_TRUE(Query(file).ok);
    EXPECT_EQ(context_.Value("max_width"), 1000);
    EXPECT_EQ(context_.Value("max_height"), 842);
}

TEST_F(FileInfoTest, ImageCheckCanBeSkipped) {
    const auto file = Write("scan.pdf", BuildPdf({{kImageContent, ""}}));
    ASSERT_TRUE(Query(file, "", 0).ok);
    EXPECT_EQ(context_.Value("is_image_pdf"), -1);
    EXPECT_EQ(context_.Value("page_count"), 1);
}

TEST_F(FileInfoTest, ALongDocumentIsCountedQuicklyWithProgress) {
    const auto file = Write("long.pdf", BuildPdf(TextPages(300)));
    const auto started = std::chrono::steady_clock::now();
    ASSERT_TRUE(Query(file).ok);
    EXPECT_LT(std::chrono::steady_clock::now() - started, std::chrono::seconds(5));
    EXPECT_EQ(context_.Value("page_count"), 300);
    ASSERT_FALSE(context_.progress.empty());
    EXPECT_EQ(context_.progress.back(), 100);
    EXPECT_TRUE(std::is_sorted(context_.progress.begin(), context_.progress.end()));
}

TEST_F(FileInfoTest, EncryptedDocumentOpensOnlyWithItsPassword) {
    const auto plain = Write("plain.pdf", BuildPdf(TextPages(3)));
    const auto locked = folder_ / "locked.pdf";
    ASSERT_TRUE(RunTool(
        "qpdf", {"--encrypt", "user", "owner", "256", "--", plain.string(), locked.string()}));
    struct Case {
        std::string password;
        int page_count;
        int password_ok;
    };
    const Case cases[] = {{"", -1, 0}, {"wrong", -1, 0}, {"user", 3, 1}, {"owner", 3, 1}};
    for (const Case& test : cases) {
        ASSERT_TRUE(Query(locked, test.password).ok) << test.password;
        EXPECT_EQ(context_.Value("is_encrypted"), 1) << test.password;
        EXPECT_EQ(context_.Value("password_ok"), test.password_ok) << test.password;
        EXPECT_EQ(context_.Value("page_count"), test.page_count) << test.password;
        EXPECT_EQ(context_.Value("is_unreadable_pdf"), 0) << test.password;
    }
}

TEST_F(FileInfoTest, WhatCannotBeReadIsReportedAsUnreadableNotAsAFailure) {
    const std::string whole = BuildPdf(TextPages(20));
    struct Case {
        std::string label;
        std::string data;
    };
    const Case cases[] = {
        {"truncated", whole.substr(0, whole.size() * 2 / 5)},
        {"cut in the header", whole.substr(0, 200)},
        {"not a PDF", "This is a plain text file.\n"},
        {"empty", ""},
        {"no pages", BuildPdf({})},
    };
    for (const Case& test : cases) {
        const TaskOutcome outcome = Query(Write("broken.pdf", test.data));
        EXPECT_TRUE(outcome.ok) << test.label;
        EXPECT_FALSE(outcome.error.empty()) << test.label;
        EXPECT_EQ(context_.Value("is_unreadable_pdf"), 1) << test.label;
        EXPECT_EQ(context_.Value("page_count"), -1) << test.label;
    }
}

TEST_F(FileInfoTest, AMissingFileOrACancelFails) {
    EXPECT_EQ(Query(folder_ / "absent.pdf").error,
              "file not found: " + (folder_ / "absent.pdf").string());
    EXPECT_FALSE(Query(folder_.Path()).ok);
    EXPECT_TRUE(context_.values.empty());

    const auto file = Write("long.pdf", BuildPdf(TextPages(50)));
    Json::Value record;
    record["file"] = file.string();
    context_ = RecordingContext();
    context_.cancelled = true;
    const TaskOutcome outcome = convcore::GetFileInfo(record, context_);
    EXPECT_FALSE(outcome.ok);
    EXPECT_EQ(outcome.error, "cancelled");
}

TEST_F(FileInfoTest, PresentationCountsTheSlidesThatAreShown) {
    struct Case {
        std::string label;
        std::vector<bool> shown;
        bool missing_part;
        int page_count;
    };
    const Case cases[] = {
        {"all shown", {true, true, true}, false, 3},
        {"one hidden", {true, false, true, true}, false, 3},
        {"all hidden", {false, false}, false, 0},
        {"a listed slide without its part", {true, true, true}, true, 2},
    };
    for (const Case& test : cases) {
        const auto file = folder_ / "slides.PPTX";
        WritePresentation(file, test.shown, test.missing_part);
        ASSERT_TRUE(Query(file).ok) << test.label;
        EXPECT_EQ(context_.Value("page_count"), test.page_count) << test.label;
        EXPECT_EQ(context_.Value("is_encrypted"), 0) << test.label;
        EXPECT_EQ(context_.Value("is_unreadable_pdf"), 0) << test.label;
    }
}

TEST_F(FileInfoTest, OfficeFilesThatCannotBeCountedSayWhy) {
    // A password-protected Office file is an OLE compound file whatever its extension says.
    const std::string compound = std::string("\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1", 8) + "rest";
    struct Case {
        std::string name;
        std::string data;
        Expected expected;
    };
    const Case cases[] = {
        {"locked.pptx", compound, {-1, 1, 0, 0, 0}},
        {"locked.docx", compound, {-1, 1, 0, 0, 0}},
        {"broken.pptx", "not a zip", {-1, 0, 0, 1, 0}},
    };
    for (const Case& test : cases) {
        const TaskOutcome outcome = Query(Write(test.name, test.data));
        EXPECT_TRUE(outcome.ok) << test.name;
        EXPECT_FALSE(outcome.error.empty()) << test.name;
        ExpectFacts(test.expected, test.name);
    }
}

TEST_F(FileInfoTest, WordAndExcelNeedLibreOfficeForTheirPageCount) {
    TempDir empty_path;
    const ScopedEnv path("PATH", empty_path.Path().string());
    for (const char* name : {"letter.docx", "sheet.xlsx", "old.doc"}) {
        const TaskOutcome outcome = Query(Write(name, "PK"));
        EXPECT_TRUE(outcome.ok) << name;
        EXPECT_NE(outcome.error.find("LibreOffice"), std::string::npos) << name;
        EXPECT_EQ(context_.Value("page_count"), -1) << name;
    }
}

TEST_F(FileInfoTest, WordDocumentPagesAreCountedFromALibreOfficeExport) {
    if (convcore::FindLibreOffice().empty())
        GTEST_SKIP() << "LibreOffice is not installed";
    const auto file = folder_ / "three pages.docx";
    WriteWordDocument(file, 3);
    const TaskOutcome outcome = Query(file);
    ASSERT_TRUE(outcome.ok) << outcome.error;
    EXPECT_EQ(context_.Value("page_count"), 3) << outcome.error;
    EXPECT_EQ(context_.Value("is_unreadable_pdf"), 0);
}

// The fuzz entry: the same facts from memory as from the file, and hostile bytes never hurt.
TEST(PdfFactsTest, MemoryAndFileGiveTheSameFactsAndHostileInputIsSurvived) {
    TempDir folder;
    const std::string pdf = BuildPdf({{kImageContent, ""}, {kImageContent, "/Rotate 270"}});
    WriteFile(folder / "a.pdf", pdf);
    const quiremupdf::PdfFactOptions options;
    const auto from_file = quiremupdf::ReadPdfFacts(folder / "a.pdf", options);
    const auto* bytes = reinterpret_cast<const unsigned char*>(pdf.data());
    const auto from_memory = quiremupdf::ReadPdfFacts({bytes, pdf.size()}, options);
    EXPECT_EQ(from_memory.page_count, from_file.page_count);
    EXPECT_EQ(from_memory.is_image_pdf, 1);
    EXPECT_EQ(from_memory.max_width, from_file.max_width);

    struct Hostile {
        std::string label;
        std::string data;
        int is_unreadable;
    };
    const Hostile cases[] = {
        {"deep nesting",
         "%PDF-1.7\n1 0 obj " + std::string(100000, '[') + "\nendobj\ntrailer << /Root 1 0 R >>",
         1},
        {"a page count that lies",
         "%PDF-1.7\n1 0 obj << /Type /Catalog /Pages 2 0 R >> endobj 2 0 obj << /Type /Pages "
         "/Kids [2 0 R] /Count 2147483647 >> endobj trailer << /Root 1 0 R >>",
         1},
        {"absurd sizes",
         "%PDF-1.7\n1 0 obj << /Type /Catalog /Pages 2 0 R >> endobj 2 0 obj << /Type /Pages "
         "/Kids [3 0 R] /Count 1 >> endobj 3 0 obj << /Type /Page /Parent 2 0 R /MediaBox [0 0 "
         "1e30 -1e30] /UserUnit 1e20 /Contents 4 0 R >> endobj 4 0 obj << /Length 9 >> stream\n"
         "q q q q Q\nendstream endobj trailer << /Root 1 0 R >>",
         0},
        {"zeros", std::string(4096, '\0'), 1},
    };
    for (const Hostile& test : cases) {
        const auto* hostile_bytes = reinterpret_cast<const unsigned char*>(test.data.data());
        const auto started = std::chrono::steady_clock::now();
        const auto facts = quiremupdf::ReadPdfFacts({hostile_bytes, test.data.size()}, options);
        EXPECT_LT(std::chrono::steady_clock::now() - started, std::chrono::seconds(2))
            << test.label;
        EXPECT_EQ(facts.is_unreadable, test.is_unreadable) << test.label;
        EXPECT_GE(facts.max_width, 0) << test.label;
        EXPECT_LE(facts.max_scale, 100) << test.label;
    }
}

}  // namespace
}  // namespace convcoretest
