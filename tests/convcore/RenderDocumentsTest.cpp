#include <gtest/gtest.h>

#include <algorithm>

#include "convcore/RenderTestHelpers.h"
#include "support/TempDir.h"
#include "support/TestPdf.h"

namespace rendertest {
namespace {

using testdocs::BuildPdf;
using testdocs::TestPage;

TestPage Words(const std::string& text, const std::string& attributes = "") {
    return {"BT /F1 12 Tf 72 720 Td (" + text + ") Tj ET", attributes};
}

class DocumentsTest : public ::testing::Test {
protected:
    Json::Value Record(const std::string& command, const std::filesystem::path& source,
                       const std::filesystem::path& target) const {
        Json::Value record;
        record["cmd"] = command;
        record["source_path"] = source.string();
        record["target_path"] = target.string();
        return record;
    }

    std::filesystem::path Write(const std::string& name, const std::string& data) {
        testdocs::WriteFile(folder_ / name, data);
        return folder_ / name;
    }

    TempDir folder_;
    RecordingTask task_;
};

TEST_F(DocumentsTest, TextKeepsChineseAndSeparatesPagesWithFormFeeds) {
    const auto source = Write("doc.pdf", BuildPdf({Words("Alpha"), Words("Beta"), Words("Gamma")}));
    const auto target = folder_ / "doc.txt";
    ASSERT_TRUE(RunCommand(Record("pdf_to_txt", source, target), task_).ok);
    EXPECT_EQ(ReadFile(target), "Alpha\n\fBeta\n\fGamma\n");

    Json::Value chosen = Record("pdf_to_txt", source, target);
    chosen["pages"].append(3);
    chosen["pages"].append(1);
    ASSERT_TRUE(RunCommand(chosen, task_).ok);
    EXPECT_EQ(ReadFile(target), "Gamma\n\fAlpha\n");

    const auto chinese = Write("chinese.pdf", ChineseTextPdf());
    const auto outcome = RunCommand(Record("pdf_to_txt", chinese, target), task_);
    ASSERT_TRUE(outcome.ok) << outcome.error;
    const std::string text = ReadFile(target);
    EXPECT_NE(text.find(kChineseText), std::string::npos) << text;
    EXPECT_NE(text.find("Hello"), std::string::npos) << text;
    EXPECT_NE(text.substr(0, 3), "\xEF\xBB\xBF");  // no byte order mark
}

TEST_F(DocumentsTest, HtmlDeclaresUtf8AndHoldsTextAndPictures) {
    const auto chinese = Write("chinese.pdf", ChineseTextPdf());
    const auto target = folder_ / "out" / "page.html";
    ASSERT_TRUE(RunCommand(Record("pdf_to_html", chinese, target), task_).ok);
    const std::string html = ReadFile(target);
    EXPECT_NE(html.find("<meta charset=\"utf-8\">"), std::string::npos);
    EXPECT_NE(html.find(kChineseText), std::string::npos) << html;
    EXPECT_NE(html.find("Hello"), std::string::npos);
    EXPECT_NE(html.find("</html>"), std::string::npos);

    const auto pictures = Write("pictures.pdf", PicturesPdf(MakeJpeg(40, 30), 40, 30));
    ASSERT_TRUE(RunCommand(Record("pdf_to_html", pictures, target), task_).ok);
    EXPECT_NE(ReadFile(target).find("src=\"data:image/"), std::string::npos);
}

TEST_F(DocumentsTest, ImagePdfKeepsPagesAndSizesButNoText) {
    const auto source = Write(
        "doc.pdf",
        BuildPdf({Words("Alpha"), Words("Beta", "/Rotate 90"), {"0 0 1 rg 0 0 595 842 re f", ""}}));
    const auto target = folder_ / "pictures.pdf";
    const auto outcome = RunCommand(Record("pdf_to_img_pdf", source, target), task_);
    ASSERT_TRUE(outcome.ok) << outcome.error;
    EXPECT_TRUE(testdocs::RunTool("qpdf", {"--check", target.string()}));

    // pdftotext ends every page with a form feed and finds nothing else.
    EXPECT_EQ(PdftotextOf(source, folder_.Path()).find("Alpha"), 0u);
    EXPECT_EQ(PdftotextOf(target, folder_.Path()), "\f\f\f");

    // Drawn again by another renderer at 72 dpi: the page sizes in points, the blue page blue.
    const auto drawn = folder_ / "drawn";
    std::filesystem::create_directory(drawn);
    ASSERT_TRUE(testdocs::RunTool(
        "mutool", {"draw", "-q", "-r", "72", "-o", (drawn / "p%d.png").string(), target.string()}));
    const Picture portrait = LoadPicture(drawn / "p1.png");
    const Picture landscape = LoadPicture(drawn / "p2.png");
    EXPECT_EQ(portrait.width, 595);
    EXPECT_EQ(portrait.height, 842);
    EXPECT_EQ(landscape.width, 842);
    EXPECT_EQ(landscape.height, 595);
    const long blue = PixelAt(drawn / "p3.png", 300, 400);
    EXPECT_LT(blue >> 16, 0x20);
    EXPECT_GT(blue & 0xFF, 0xE0);
}

TEST_F(DocumentsTest, ExtractedJpegIsTheStoredStreamAndOtherPicturesArePng) {
    const std::string jpeg = MakeJpeg(40, 30);
    const auto source = Write("doc.pdf", PicturesPdf(jpeg, 40, 30));
    const auto out = folder_ / "pictures";
    Json::Value record = Record("pdf_extract_images", source, "");
    record.removeMember("target_path");
    record["target_dir"] = out.string();
    const auto outcome = RunCommand(record, task_);
    ASSERT_TRUE(outcome.ok) << outcome.error;
    EXPECT_EQ(ListFolder(out), (std::vector<std::string>{"doc_p1_1.jpg", "doc_p1_2.png"}));
    EXPECT_EQ(ReadFile(out / "doc_p1_1.jpg"), jpeg);
    const Picture raw = LoadPicture(out / "doc_p1_2.png");
    EXPECT_EQ(raw.width, 2);
    EXPECT_EQ(raw.height, 2);
    EXPECT_EQ(PixelAt(out / "doc_p1_2.png", 0, 0), 0xFF0000);
    EXPECT_EQ(task_.Last("image_count").asInt(), 2);

    // Pages without pictures: done, nothing written, and said so.
    const auto plain = Write("plain.pdf", BuildPdf(testdocs::TextPages(2)));
    record["source_path"] = plain.string();
    std::filesystem::remove_all(out);
    const auto empty = RunCommand(record, task_);
    EXPECT_TRUE(empty.ok);
    EXPECT_FALSE(empty.error.empty());
    EXPECT_EQ(task_.Last("image_count").asInt(), 0);
    EXPECT_TRUE(ListFolder(out).empty());
}

}  // namespace
}  // namespace rendertest
