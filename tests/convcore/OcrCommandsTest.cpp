#include <cairo-pdf.h>
#include <cairo.h>
#include <gtest/gtest.h>
#include <leptonica/allheaders.h>
#include <pango/pangocairo.h>

#include <algorithm>
#include <atomic>
#include <filesystem>
#include <set>
#include <string>
#include <vector>

#include "convcore/CommandDispatcher.h"
#include "convcore/OcrCommands.h"
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

const std::string kChinese = "文档转换测试";
const std::string kEnglish = "Quire converts documents";
constexpr double kPointsPerPixel = 72.0 / 300;

// Lines of black text on white, 36 pixels high: print at 300 dpi.
cairo_surface_t* TextSurface(const std::vector<std::string>& lines, int width = 1000,
                             int height = 260) {
    cairo_surface_t* surface = cairo_image_surface_create(CAIRO_FORMAT_RGB24, width, height);
    cairo_t* cr = cairo_create(surface);
    cairo_set_source_rgb(cr, 1, 1, 1);
    cairo_paint(cr);
    cairo_set_source_rgb(cr, 0, 0, 0);
    PangoFontDescription* font = pango_font_description_from_string("Noto Sans CJK SC");
    pango_font_description_set_absolute_size(font, 36 * PANGO_SCALE);
    for (std::size_t i = 0; i < lines.size(); ++i) {
        PangoLayout* layout = pango_cairo_create_layout(cr);
        pango_layout_set_font_description(layout, font);
        pango_layout_set_text(layout, lines[i].c_str(), -1);
        cairo_move_to(cr, 60, 60 + 72 * double(i));
        pango_cairo_show_layout(cr, layout);
        g_object_unref(layout);
    }
    pango_font_description_free(font);
    cairo_destroy(cr);
    cairo_surface_flush(surface);
    return surface;
}

void WritePicture(const fs::path& file, const std::vector<std::string>& lines) {
    cairo_surface_t* surface = TextSurface(lines);
    ASSERT_EQ(cairo_surface_write_to_png(surface, file.c_str()), CAIRO_STATUS_SUCCESS);
    cairo_surface_destroy(surface);
}

// A scan as scanners make them: the page's picture is all the page holds.
void WriteScannedPdf(const fs::path& file, const std::vector<std::string>& lines) {
    cairo_surface_t* picture = TextSurface(lines);
    const double width = cairo_image_surface_get_width(picture) * kPointsPerPixel;
    const double height = cairo_image_surface_get_height(picture) * kPointsPerPixel;
    cairo_surface_t* pdf = cairo_pdf_surface_create(file.c_str(), width, height);
    cairo_t* cr = cairo_create(pdf);
    cairo_scale(cr, kPointsPerPixel, kPointsPerPixel);
    cairo_set_source_surface(cr, picture, 0, 0);
    cairo_paint(cr);
    cairo_destroy(cr);
    cairo_surface_finish(pdf);
    ASSERT_EQ(cairo_surface_status(pdf), CAIRO_STATUS_SUCCESS);
    cairo_surface_destroy(pdf);
    cairo_surface_destroy(picture);
}

// One TIFF frame per picture file.
void WriteTiff(const fs::path& file, const std::vector<fs::path>& frames) {
    for (std::size_t i = 0; i < frames.size(); ++i) {
        Pix* pix = pixRead(frames[i].c_str());
        ASSERT_NE(pix, nullptr);
        ASSERT_EQ(pixWriteTiff(file.c_str(), pix, IFF_TIFF_ZIP, i == 0 ? "w" : "a"), 0);
        pixDestroy(&pix);
    }
}

// The characters of `expected` found in `text` in order: a misread character is forgiven.
std::size_t InOrder(const std::string& expected, const std::string& text) {
    std::vector<std::string> a;
    for (std::size_t i = 0; i < expected.size(); i += 3)
        a.push_back(expected.substr(i, 3));  // three-byte characters only
    std::size_t found = 0;
    std::size_t from = 0;
    for (const std::string& c : a) {
        const std::size_t at = text.find(c, from);
        if (at == std::string::npos)
            continue;
        ++found;
        from = at + c.size();
    }
    return found;
}

std::string WithoutTags(const std::string& xml) {
    std::string text;
    bool in_tag = false;
    for (char c : xml) {
        if (c == '<' || c == '>')
            in_tag = c == '<';
        else if (!in_tag)
            text += c;
    }
    return text;
}

std::string DocumentText(const fs::path& docx) {
    return WithoutTags(ReadPackagePart(docx, "word/document.xml"));
}

bool HasPicture(const fs::path& docx) {
    return ReadPackagePart(docx, "word/document.xml").find("<w:drawing>") != std::string::npos;
}

// Cancels the task at its first progress report, which comes from inside recognition (on the
// thread that rebuilds pages, while the task's own thread looks for a cancel).
class CancelAtFirstProgress : public convcore::TaskContext {
public:
    void SetProgress(int percent) override {
        progress.push_back(percent);
        cancelled_ = true;
    }
    void Report(const std::string&, const Json::Value&) override {}
    bool IsCancelled() const override { return cancelled_; }

    std::vector<int> progress;

private:
    std::atomic<bool> cancelled_ = false;
};

class OcrCommandsTest : public ::testing::Test {
protected:
    void SetUp() override {
        convcore::RegisterOcrCommands(dispatcher_);
        convcore::RegisterPdfToOfficeCommands(dispatcher_);
    }

    Json::Value Record(const std::string& command, const fs::path& source,
                       const fs::path& target) const {
        Json::Value record;
        record["cmd"] = command;
        record["source_path"] = source.string();
        record["target_path"] = target.string();
        return record;
    }

    convcore::TaskOutcome Run(const Json::Value& record) {
        context_ = RecordingContext();
        return dispatcher_.HandlerFor(record)(record, context_);
    }

    convcore::TaskOutcome Run(const std::string& command, const fs::path& source,
                              const fs::path& target) {
        return Run(Record(command, source, target));
    }

    TempDir temp_;
    convcore::CommandDispatcher dispatcher_;
    RecordingContext context_;
};

TEST_F(OcrCommandsTest, APictureBecomesADocumentOfItsText) {
    const fs::path source = temp_ / "scan.png";
    WritePicture(source, {kChinese, kEnglish});
    ASSERT_TRUE(Run("ocr_to_docx", source, temp_ / "scan.docx").ok);
    const std::string document = DocumentText(temp_ / "scan.docx");
    EXPECT_GE(InOrder(kChinese, document), 5u) << document;
    EXPECT_NE(document.find(kEnglish), std::string::npos) << document;
    EXPECT_LT(document.find("档"), document.find(kEnglish));
    // The recognised text replaces the picture.
    EXPECT_FALSE(HasPicture(temp_ / "scan.docx"));
    ASSERT_FALSE(context_.progress.empty());
    EXPECT_EQ(context_.progress.back(), 100);
    EXPECT_TRUE(std::is_sorted(context_.progress.begin(), context_.progress.end()));

    const auto outcome = Run("ocr_to_txt", source, temp_ / "scan.txt");
    ASSERT_TRUE(outcome.ok) << outcome.error;
    EXPECT_TRUE(outcome.error.empty()) << outcome.error;
    const std::string text = testdocs::ReadFile(temp_ / "scan.txt");
    EXPECT_GE(InOrder(kChinese, text), 5u) << text;
    EXPECT_NE(text.find(kEnglish + "\n"), std::string::npos) << text;
    EXPECT_EQ(FolderNames(temp_.Path()),
              (std::set<std::string>{"scan.docx", "scan.png", "scan.txt"}));
}

TEST_F(OcrCommandsTest, EachTiffFrameIsAPageOfTheText) {
    WritePicture(temp_ / "one.png", {kEnglish});
    WritePicture(temp_ / "two.png", {kChinese});
    const fs::path tiff = temp_ / "pages.tif";
    WriteTiff(tiff, {temp_ / "one.png", temp_ / "two.png"});
    ASSERT_TRUE(Run("ocr_to_txt", tiff, temp_ / "all.txt").ok);
    const std::string all = testdocs::ReadFile(temp_ / "all.txt");
    const std::size_t form_feed = all.find('\f');
    ASSERT_NE(form_feed, std::string::npos) << all;
    EXPECT_EQ(std::count(all.begin(), all.end(), '\f'), 1) << all;
    EXPECT_NE(all.substr(0, form_feed).find(kEnglish), std::string::npos) << all;
    EXPECT_GE(InOrder(kChinese, all.substr(form_feed)), 5u) << all;

    Json::Value record = Record("ocr_to_txt", tiff, temp_ / "second.txt");
    record["pages"].append(2);
    ASSERT_TRUE(Run(record).ok);
    const std::string second = testdocs::ReadFile(temp_ / "second.txt");
    EXPECT_EQ(second.find(kEnglish), std::string::npos) << second;
    EXPECT_GE(InOrder(kChinese, second), 5u) << second;
}

TEST_F(OcrCommandsTest, AScannedPdfIsRecognisedWhenAskedTo) {
    const fs::path scan = temp_ / "scan.pdf";
    WriteScannedPdf(scan, {kChinese, kEnglish});

    ASSERT_TRUE(Run("pdf_to_docx", scan, temp_ / "plain.docx").ok);
    EXPECT_EQ(InOrder(kChinese, DocumentText(temp_ / "plain.docx")), 0u);
    EXPECT_TRUE(HasPicture(temp_ / "plain.docx"));

    Json::Value record = Record("pdf_to_docx", scan, temp_ / "recognised.docx");
    record["ocr"] = 1;
    ASSERT_TRUE(Run(record).ok);
    const std::string document = DocumentText(temp_ / "recognised.docx");
    EXPECT_GE(InOrder(kChinese, document), 5u) << document;
    EXPECT_NE(document.find(kEnglish), std::string::npos) << document;
    EXPECT_FALSE(HasPicture(temp_ / "recognised.docx"));

    ASSERT_TRUE(Run("ocr_to_txt", scan, temp_ / "scan.txt").ok);
    EXPECT_NE(testdocs::ReadFile(temp_ / "scan.txt").find(kEnglish), std::string::npos);
}

TEST_F(OcrCommandsTest, APictureWithoutTextKeepsItsPictureAndSaysSo) {
    const fs::path blank = temp_ / "blank.png";
    WritePicture(blank, {});
    const auto outcome = Run("ocr_to_docx", blank, temp_ / "blank.docx");
    ASSERT_TRUE(outcome.ok) << outcome.error;
    EXPECT_EQ(outcome.error, "page 1: no text found");
    EXPECT_TRUE(HasPicture(temp_ / "blank.docx"));
}

TEST_F(OcrCommandsTest, BadRequestsFailWithTheirReasonAndLeaveNothing) {
    WritePicture(temp_ / "good.png", {kEnglish});
    const std::string png = testdocs::ReadFile(temp_ / "good.png");
    testdocs::WriteFile(temp_ / "cut.png", png.substr(0, png.size() / 3));
    testdocs::WriteFile(temp_ / "noise.jpg", "JFIF? not really");
    Json::Value klingon = Record("ocr_to_docx", temp_ / "good.png", temp_ / "k.docx");
    klingon["languages"] = "chi_sim+klingon";
    Json::Value beyond = Record("ocr_to_txt", temp_ / "good.png", temp_ / "b.txt");
    beyond["pages"].append(2);
    const struct {
        const char* name;
        Json::Value record;
        const char* error_start;
    } cases[] = {
        {"missing", Record("ocr_to_docx", temp_ / "none.png", temp_ / "m.docx"), "file not found"},
        {"cut short", Record("ocr_to_docx", temp_ / "cut.png", temp_ / "c.docx"),
         "cannot read picture: "},
        {"not a picture", Record("ocr_to_txt", temp_ / "noise.jpg", temp_ / "n.txt"),
         "cannot read picture: "},
        {"unknown language", klingon, "no recognition model"},
        {"page beyond", beyond, ""},
    };
    for (const auto& c : cases) {
        const auto outcome = Run(c.record);
        EXPECT_FALSE(outcome.ok) << c.name;
        EXPECT_FALSE(outcome.error.empty()) << c.name;
        EXPECT_EQ(outcome.error.rfind(c.error_start, 0), 0u) << c.name << ": " << outcome.error;
    }
    EXPECT_EQ(FolderNames(temp_.Path()),
              (std::set<std::string>{"cut.png", "good.png", "noise.jpg"}));
}

TEST_F(OcrCommandsTest, ACancelDuringRecognitionStopsItAndLeavesNothing) {
    const fs::path source = temp_ / "long.png";
    WritePicture(source, {kEnglish, kChinese, kEnglish});
    const Json::Value record = Record("ocr_to_docx", source, temp_ / "long.docx");
    CancelAtFirstProgress context;
    const auto outcome = dispatcher_.HandlerFor(record)(record, context);
    EXPECT_FALSE(outcome.ok);
    EXPECT_EQ(outcome.error, "cancelled");
    EXPECT_EQ(context.progress, std::vector<int>{0});
    EXPECT_EQ(FolderNames(temp_.Path()), std::set<std::string>{"long.png"});
}

class OcrToDocTest : public OfficeTest {};

TEST_F(OcrToDocTest, LibreOfficeSavesTheRecognisedDocumentAsDoc) {
    convcore::CommandDispatcher dispatcher;
    convcore::RegisterOcrCommands(dispatcher, TestOfficeSettings());
    const fs::path source = folder_ / "scan.png";
    WritePicture(source, {kEnglish});
    Json::Value record;
    record["cmd"] = "ocr_to_doc";
    record["source_path"] = source.string();
    record["target_path"] = (folder_ / "scan.doc").string();
    RecordingContext context;
    const auto outcome = dispatcher.HandlerFor(record)(record, context);
    ASSERT_TRUE(outcome.ok) << outcome.error;
    EXPECT_EQ(testdocs::ReadFile(folder_ / "scan.doc").substr(0, 4), "\xD0\xCF\x11\xE0");
    EXPECT_EQ(context.progress.back(), 100);
}

}  // namespace
}  // namespace convcoretest
