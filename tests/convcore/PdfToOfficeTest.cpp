#include <gtest/gtest.h>
#include <zip.h>

#include <filesystem>
#include <string>

#include "convcore/CommandDispatcher.h"
#include "convcore/OfficeTestSupport.h"
#include "convcore/PageToolTestDocs.h"
#include "convcore/PdfToOfficeCommands.h"
#include "convcore/RecordingContext.h"
#include "support/TempDir.h"
#include "support/TestPdf.h"
#include "support/ZipPart.h"

namespace convcoretest {
namespace {

namespace fs = std::filesystem;

class PdfToOfficeTest : public ::testing::Test {
protected:
    void SetUp() override { convcore::RegisterPdfToOfficeCommands(dispatcher_); }

    convcore::TaskOutcome Run(const std::string& command, const fs::path& source,
                              const fs::path& target, const std::string& password = "",
                              Json::Value pages = Json::nullValue) {
        Json::Value record;
        record["cmd"] = command;
        record["source_path"] = source.string();
        record["target_path"] = target.string();
        if (!password.empty())
            record["password"] = password;
        if (!pages.isNull())
            record["pages"] = pages;
        context_ = RecordingContext();
        return dispatcher_.HandlerFor(record)(record, context_);
    }

    TempDir temp_;
    convcore::CommandDispatcher dispatcher_;
    RecordingContext context_;
};

TEST_F(PdfToOfficeTest, EachKindCarriesThePagesTextInItsOwnPlace) {
    const fs::path source = temp_ / "named.pdf";
    testdocs::WriteFile(source, NamedPagesPdf(3, "Chapter"));
    const struct {
        const char* command;
        const char* target;
        const char* part;  // where the text of the last page must be
    } cases[] = {
        {"pdf_to_docx", "out.docx", "word/document.xml"},
        {"pdf_to_xlsx", "out.xlsx", "xl/worksheets/sheet3.xml"},
        {"pdf_to_pptx", "out.pptx", "ppt/slides/slide3.xml"},
    };
    for (const auto& c : cases) {
        const auto outcome = Run(c.command, source, temp_ / c.target);
        ASSERT_TRUE(outcome.ok) << c.command << ": " << outcome.error;
        const std::string part = ReadPackagePart(temp_ / c.target, c.part);
        EXPECT_NE(part.find("Chapter"), std::string::npos) << c.command << ": " << part;
        ASSERT_FALSE(context_.progress.empty()) << c.command;
        EXPECT_EQ(context_.progress.back(), 100) << c.command;
        EXPECT_TRUE(std::is_sorted(context_.progress.begin(), context_.progress.end()));
    }
    EXPECT_EQ(FolderNames(temp_.Path()),
              (std::set<std::string>{"named.pdf", "out.docx", "out.pptx", "out.xlsx"}));
}

TEST_F(PdfToOfficeTest, ChosenPagesOnlyAndInTheirOrder) {
    const fs::path source = temp_ / "named.pdf";
    testdocs::WriteFile(source, NamedPagesPdf(4, "Sheet"));
    Json::Value pages(Json::arrayValue);
    pages.append(3);
    pages.append(1);
    ASSERT_TRUE(Run("pdf_to_docx", source, temp_ / "two.docx", "", pages).ok);
    const std::string body = ReadPackagePart(temp_ / "two.docx", "word/document.xml");
    const auto third = body.find("SheetPage 3");
    const auto first = body.find("SheetPage 1");
    ASSERT_NE(third, std::string::npos) << body;
    ASSERT_NE(first, std::string::npos) << body;
    EXPECT_LT(third, first);
    EXPECT_EQ(body.find("SheetPage 2"), std::string::npos);
    EXPECT_EQ(body.find("SheetPage 4"), std::string::npos);
}

TEST_F(PdfToOfficeTest, APictureUnderItsCaptionStaysInTheDocument) {
    const fs::path source = temp_ / "scan.pdf";
    testdocs::WriteFile(source, PicturePdf(400, 300, true));
    const auto outcome = Run("pdf_to_docx", source, temp_ / "scan.docx");
    ASSERT_TRUE(outcome.ok) << outcome.error;
    EXPECT_TRUE(outcome.error.empty()) << outcome.error;
    const std::string body = ReadPackagePart(temp_ / "scan.docx", "word/document.xml");
    EXPECT_NE(body.find("<w:drawing>"), std::string::npos) << body;
}

// A page of a small picture and no text is not a scan: the picture keeps its own size in the
// flow instead of the page becoming one picture, and, being compressed already, it is stored
// in the package as it is.
TEST_F(PdfToOfficeTest, APictureAloneOnItsPageKeepsItsSizeAndIsStoredAsItIs) {
    const fs::path source = temp_ / "figure.pdf";
    testdocs::WriteFile(source, testdocs::BuildPdf({{"q 200 0 0 150 100 500 cm /Im1 Do Q", ""}}));
    const auto outcome = Run("pdf_to_docx", source, temp_ / "figure.docx");
    ASSERT_TRUE(outcome.ok) << outcome.error;
    const std::string body = ReadPackagePart(temp_ / "figure.docx", "word/document.xml");
    EXPECT_NE(body.find("<wp:extent cx=\"2540000\" cy=\"1905000\""), std::string::npos) << body;

    int code = 0;
    zip_t* archive = zip_open((temp_ / "figure.docx").c_str(), ZIP_RDONLY, &code);
    ASSERT_NE(archive, nullptr);
    int pictures = 0;
    for (zip_int64_t i = 0; i < zip_get_num_entries(archive, 0); ++i) {
        zip_stat_t stat;
        if (zip_stat_index(archive, i, 0, &stat) != 0 ||
            std::string(stat.name).rfind("word/media/", 0) != 0)
            continue;
        ++pictures;
        EXPECT_EQ(stat.comp_method, ZIP_CM_STORE) << stat.name;
    }
    zip_close(archive);
    EXPECT_EQ(pictures, 1);
}

TEST_F(PdfToOfficeTest, BadInputFailsClearlyAndLeavesNothing) {
    const fs::path plain = temp_ / "plain.pdf";
    testdocs::WriteFile(plain, NamedPagesPdf(2));
    const fs::path locked = temp_ / "locked.pdf";
    ASSERT_TRUE(EncryptWithQpdf(plain, locked, "secret", "owner"));
    testdocs::WriteFile(temp_ / "broken.pdf", "%PDF-1.7\nnot really\n");
    Json::Value beyond(Json::arrayValue);
    beyond.append(9);
    const struct {
        const char* name;
        fs::path source;
        fs::path target;
        std::string password;
        Json::Value pages;
        const char* error_part;
    } cases[] = {
        {"missing", temp_ / "none.pdf", temp_ / "a.docx", "", Json::nullValue, ""},
        {"corrupt", temp_ / "broken.pdf", temp_ / "b.docx", "", Json::nullValue, ""},
        {"no password", locked, temp_ / "c.docx", "", Json::nullValue, "Invalid password"},
        {"wrong password", locked, temp_ / "d.xlsx", "nope", Json::nullValue, "Invalid password"},
        {"page beyond", plain, temp_ / "e.pptx", "", beyond, ""},
        {"unwritable folder", plain, "/proc/quire-nowhere/f.docx", "", Json::nullValue, ""},
    };
    for (const auto& c : cases) {
        const std::string command = "pdf_to_" + c.target.extension().string().substr(1);
        const auto outcome = Run(command, c.source, c.target, c.password, c.pages);
        EXPECT_FALSE(outcome.ok) << c.name;
        EXPECT_FALSE(outcome.error.empty()) << c.name;
        EXPECT_EQ(outcome.error.rfind(c.error_part, 0), 0u) << c.name << ": " << outcome.error;
    }
    EXPECT_EQ(FolderNames(temp_.Path()),
              (std::set<std::string>{"broken.pdf", "locked.pdf", "plain.pdf"}));
    // The right password opens it.
    ASSERT_TRUE(Run("pdf_to_docx", locked, temp_ / "open.docx", "secret").ok);
}

class PdfToOlderOfficeTest : public OfficeTest {};

TEST_F(PdfToOlderOfficeTest, DocAndXlsAreSavedByLibreOfficeFromTheRebuiltDocuments) {
    convcore::CommandDispatcher dispatcher;
    convcore::RegisterPdfToOfficeCommands(dispatcher, TestOfficeSettings());
    const fs::path source = folder_ / "named.pdf";
    testdocs::WriteFile(source, NamedPagesPdf(2, "Older"));
    for (const char* kind : {"doc", "xls"}) {
        const fs::path target = folder_ / (std::string("out.") + kind);
        Json::Value record;
        record["cmd"] = std::string("pdf_to_") + kind;
        record["source_path"] = source.string();
        record["target_path"] = target.string();
        RecordingContext context;
        const auto outcome = dispatcher.HandlerFor(record)(record, context);
        ASSERT_TRUE(outcome.ok) << kind << ": " << outcome.error;
        EXPECT_EQ(testdocs::ReadFile(target).substr(0, 4), "\xD0\xCF\x11\xE0") << kind;
        const fs::path back = folder_ / (std::string("back-") + kind + ".pdf");
        OfficeTaskContext office;
        ASSERT_TRUE(RunOfficeCommand(std::string(kind) + "_to_pdf", target, back, office,
                                     TestOfficeSettings())
                        .ok);
        EXPECT_NE(PdfText(back).find("Older"), std::string::npos) << kind;
    }
}

// The sampled pages are read by two readers, the second from the PDF opened again. Pages must
// come back in their order either way, and a PDF that cannot be opened a second time (removed
// once the task had it open) is read by the first reader alone.
TEST_F(PdfToOfficeTest, PagesReadByTwoReadersKeepTheirOrderEvenWhenTheSecondCannotOpen) {
    for (const bool remove_after_opening : {false, true}) {
        const fs::path source = temp_ / "named.pdf";
        testdocs::WriteFile(source, NamedPagesPdf(7, "Part"));
        Json::Value record;
        record["source_path"] = source.string();
        RecordingContext context;
        std::string error;
        auto pages = convcore::OpenRebuiltPdf(record, false, context, &error);
        ASSERT_NE(pages, nullptr) << error;
        if (remove_after_opening)
            fs::remove(source);
        const fs::path target = temp_ / "parts.docx";
        const convcore::RebuiltTarget word{convcore::OpenWordSink, ".docx", nullptr};
        const auto no_office = [](std::string*) {
            return std::optional<convcore::OfficeSettings>();
        };
        const auto outcome =
            convcore::WriteRebuiltDocument(*pages, word, target, no_office, context);
        ASSERT_TRUE(outcome.ok) << outcome.error;
        const std::string body = ReadPackagePart(target, "word/document.xml");
        std::size_t last = 0;
        for (int n = 1; n <= 7; ++n) {
            const std::size_t at = body.find("PartPage " + std::to_string(n));
            ASSERT_NE(at, std::string::npos) << n << (remove_after_opening ? ", removed" : "");
            EXPECT_GT(at, last) << n;
            last = at;
        }
        fs::remove(target);
    }
}

}  // namespace
}  // namespace convcoretest
