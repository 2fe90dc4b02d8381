#include <gtest/gtest.h>

#include <algorithm>
#include <numeric>

#include "convcore/RenderTestHelpers.h"
#include "support/TempDir.h"
#include "support/TestPdf.h"

namespace rendertest {
namespace {

using testdocs::BuildPdf;
using testdocs::kTextContent;
using testdocs::TestPage;

// Blue beyond the page on every side: the margins beside a narrower page stay white only when
// each page is clipped to its own box.
const char kBlueFloodContent[] = "0 0 1 rg -100 -100 795 1042 re f";
constexpr long kWhite = 0xFFFFFF;
constexpr long kBlue = 0x0000FF;

class PageImagesTest : public ::testing::Test {
protected:
    std::filesystem::path WriteSource(const std::vector<TestPage>& pages) {
        testdocs::WriteFile(source_, BuildPdf(pages));
        return source_;
    }

    Json::Value Record(const std::string& command, double scale, int merge = 0,
                       int pages_per_image = 1) const {
        Json::Value record;
        record["cmd"] = command;
        record["source_path"] = source_.string();
        record["target_path"] = out_.string();
        record["scale"] = scale;
        record["merge"] = merge;
        record["pagePerImage"] = pages_per_image;
        return record;
    }

    std::filesystem::path Output(const std::string& name) const { return out_ / name; }

    TempDir folder_;
    std::filesystem::path source_ = folder_ / "doc.pdf";
    std::filesystem::path out_ = folder_ / "images";
    RecordingTask task_;
};

TEST_F(PageImagesTest, EveryFormatGivesOneImagePerPageSizedByTheScale) {
    struct Case {
        std::string command;
        std::string extension;
        double scale;
        std::string attributes;
        int width;
        int height;
    };
    const Case cases[] = {
        {"pdf_to_png", "png", 2, "", 1190, 1684},
        {"pdf_to_jpg", "jpg", 2, "", 1190, 1684},
        {"pdf_to_bmp", "bmp", 2, "", 1190, 1684},
        {"pdf_to_png", "png", 1, "", 595, 842},
        {"pdf_to_jpg", "jpg", 0.5, "", 298, 421},
        {"pdf_to_bmp", "bmp", 1, "/Rotate 90", 842, 595},
        {"pdf_to_bmp", "bmp", 0.25, "/MediaBox [0 0 305 203]", 77, 51},  // BMP row padding
        {"pdf_to_png", "png", 1, "/MediaBox [0 0 1000 300]", 1000, 300},
    };
    for (const Case& test : cases) {
        SCOPED_TRACE(test.command + " " + std::to_string(test.scale) + " " + test.attributes);
        std::filesystem::remove_all(out_);
        WriteSource({{kTextContent, test.attributes}, {kTextContent, test.attributes}});
        task_.Clear();
        const auto outcome = RunCommand(Record(test.command, test.scale), task_);
        ASSERT_TRUE(outcome.ok) << outcome.error;
        EXPECT_EQ(ListFolder(out_),
                  (std::vector<std::string>{"doc_1." + test.extension, "doc_2." + test.extension}));
        for (const char* name : {"doc_1.", "doc_2."}) {
            const Picture picture = LoadPicture(Output(name + test.extension));
            EXPECT_TRUE(picture.loaded) << name;
            EXPECT_EQ(picture.width, test.width) << name;
            EXPECT_EQ(picture.height, test.height) << name;
        }
        // A white page with black text: the corner is the page's white background.
        EXPECT_EQ(PixelAt(Output("doc_1." + test.extension), 0, 0) & 0xF0F0F0, 0xF0F0F0);
    }
}

TEST_F(PageImagesTest, RowsRunFromTheTopOfThePageInEveryFormat) {
    // Blue across the top 100 points of a white page; 78 pixels wide at this scale, so BMP rows
    // carry padding.
    WriteSource({{"0 0 1 rg 0 742 595 100 re f", ""}});
    for (const std::string extension : {"png", "jpg", "bmp"}) {
        SCOPED_TRACE(extension);
        ASSERT_TRUE(RunCommand(Record("pdf_to_" + extension, 0.13), task_).ok);
        const auto image = Output("doc_1." + extension);
        ASSERT_EQ(LoadPicture(image).width, 78);
        const long top = PixelAt(image, 40, 3);
        const long bottom = PixelAt(image, 40, 100);
        EXPECT_LT(top >> 16, 0x20);  // JPEG is close, not exact
        EXPECT_GT(top & 0xFF, 0xE0);
        EXPECT_GT(bottom >> 16, 0xE0);
    }
}

TEST_F(PageImagesTest, CountersDescribeEveryImageWritten) {
    WriteSource(testdocs::TextPages(3));
    const auto outcome = RunCommand(Record("pdf_to_png", 1), task_);
    ASSERT_TRUE(outcome.ok) << outcome.error;

    std::vector<int> indexes;
    for (const Json::Value& index : task_.History("nCurImgIndex"))
        indexes.push_back(index.asInt());
    EXPECT_EQ(indexes, (std::vector<int>{1, 2, 3}));
    EXPECT_EQ(task_.Last("nImgTotalCount").asInt(), 3);
    const long long pixels = 595LL * 842;
    EXPECT_EQ(task_.Last("nImgTotalPx").asString(), std::to_string(3 * pixels));
    EXPECT_EQ(task_.Last("nImgMaxPx").asString(), std::to_string(pixels));
    EXPECT_EQ(task_.Last("nImgW").asInt(), 595);
    EXPECT_EQ(task_.Last("nImgH").asInt(), 842);
    EXPECT_EQ(task_.Last("strDesFileName").asString(), Output("doc_3.png").string());
    EXPECT_GE(task_.Last("nTotalTime").asInt(), task_.Last("nCurImgCovTime").asInt());
    // The running sum is reported after each image, not only at the end.
    const auto sums = task_.History("nImgTotalPx");
    ASSERT_EQ(sums.size(), 3u);
    EXPECT_EQ(sums[0].asString(), std::to_string(pixels));

    const std::vector<int> progress = task_.Progress();
    ASSERT_FALSE(progress.empty());
    EXPECT_TRUE(std::is_sorted(progress.begin(), progress.end()));
    EXPECT_EQ(progress.back(), 100);
}

TEST_F(PageImagesTest, MergedPagesStackCentredOnWhite) {
    // A portrait page between two landscape ones: the image is as wide as the widest page and
    // as tall as all three together.
    WriteSource(
        {{kTextContent, "/Rotate 90"}, {kBlueFloodContent, ""}, {kTextContent, "/Rotate 90"}});
    const auto outcome = RunCommand(Record("pdf_to_png", 1, 1, 0), task_);
    ASSERT_TRUE(outcome.ok) << outcome.error;
    ASSERT_EQ(ListFolder(out_), std::vector<std::string>{"doc_1-3.png"});
    const auto image = Output("doc_1-3.png");
    const Picture picture = LoadPicture(image);
    EXPECT_EQ(picture.width, 842);
    EXPECT_EQ(picture.height, 595 + 842 + 595);
    EXPECT_EQ(task_.Last("nImgTotalCount").asInt(), 1);
    EXPECT_EQ(task_.Last("nImgH").asInt(), 595 + 842 + 595);

    // The portrait page sits at columns 123..717 of rows 595..1436.
    const int row = 595 + 400;
    EXPECT_EQ(PixelAt(image, 120, row), kWhite);
    EXPECT_EQ(PixelAt(image, 126, row), kBlue);
    EXPECT_EQ(PixelAt(image, 715, row), kBlue);
    EXPECT_EQ(PixelAt(image, 721, row), kWhite);
    EXPECT_EQ(PixelAt(image, 400, 594), kWhite);  // the page above is not flooded
    EXPECT_EQ(PixelAt(image, 400, 596), kBlue);
    EXPECT_EQ(PixelAt(image, 400, 1438), kWhite);
}

TEST_F(PageImagesTest, PagesPerImageSplitsTheChosenPages) {
    struct Case {
        std::vector<int> pages;  // empty: all
        int pages_per_image;
        std::vector<std::string> names;
        std::vector<int> heights;
    };
    const Case cases[] = {
        {{}, 2, {"doc_1-2.jpg", "doc_3-4.jpg", "doc_5.jpg"}, {1684, 1684, 842}},
        {{}, 1000000, {"doc_1-5.jpg"}, {5 * 842}},
        {{}, 5, {"doc_1-5.jpg"}, {5 * 842}},
        {{2, 4, 5}, 2, {"doc_2-4.jpg", "doc_5.jpg"}, {1684, 842}},
    };
    WriteSource(testdocs::TextPages(5));
    for (const Case& test : cases) {
        SCOPED_TRACE(test.names.front());
        std::filesystem::remove_all(out_);
        Json::Value record = Record("pdf_to_jpg", 1, 1, test.pages_per_image);
        for (const int page : test.pages)
            record["pages"].append(page);
        task_.Clear();
        const auto outcome = RunCommand(record, task_);
        ASSERT_TRUE(outcome.ok) << outcome.error;
        std::vector<std::string> sorted = test.names;
        std::sort(sorted.begin(), sorted.end());
        ASSERT_EQ(ListFolder(out_), sorted);
        for (std::size_t image = 0; image < test.names.size(); ++image)
            EXPECT_EQ(LoadPicture(Output(test.names[image])).height, test.heights[image]);
        EXPECT_EQ(task_.Last("nImgTotalCount").asInt(), static_cast<int>(test.names.size()));
        EXPECT_EQ(task_.Last("nCurImgIndex").asInt(), static_cast<int>(test.names.size()));
    }
}

TEST_F(PageImagesTest, ChosenPagesAreNamedByTheirOwnNumbers) {
    WriteSource(testdocs::TextPages(4));
    Json::Value record = Record("pdf_to_bmp", 0.5);
    record["pages"].append(4);
    record["pages"].append(2);
    ASSERT_TRUE(RunCommand(record, task_).ok);
    EXPECT_EQ(ListFolder(out_), (std::vector<std::string>{"doc_2.bmp", "doc_4.bmp"}));
    EXPECT_EQ(task_.Last("strDesFileName").asString(), Output("doc_2.bmp").string());
}

TEST_F(PageImagesTest, ImagesTooLargeForTheFormatAreRefusedBeforeWriting) {
    // 80 A4 pages stacked at 72 dpi are 67360 rows: more than a JPEG can hold, fine for PNG.
    WriteSource(testdocs::TextPages(80));
    const auto refused = RunCommand(Record("pdf_to_jpg", 1, 1, 0), task_);
    EXPECT_FALSE(refused.ok);
    EXPECT_NE(refused.error.find("too large"), std::string::npos) << refused.error;
    EXPECT_FALSE(std::filesystem::exists(out_));

    const auto tall = RunCommand(Record("pdf_to_png", 0.25, 1, 0), task_);
    ASSERT_TRUE(tall.ok) << tall.error;
    EXPECT_EQ(LoadPicture(Output("doc_1-80.png")).height, 80 * 211);
}

TEST_F(PageImagesTest, ACancelMidwayLeavesNoImages) {
    WriteSource(testdocs::TextPages(8));
    std::filesystem::create_directories(out_);
    testdocs::WriteFile(out_ / "earlier.txt", "kept");
    task_.CancelAtProgress(30);
    const auto outcome = RunCommand(Record("pdf_to_png", 1), task_);
    EXPECT_FALSE(outcome.ok);
    EXPECT_EQ(outcome.error, "cancelled");
    EXPECT_FALSE(task_.History("nCurImgIndex").empty());  // some images had been written
    EXPECT_EQ(ListFolder(out_), std::vector<std::string>{"earlier.txt"});
}

}  // namespace
}  // namespace rendertest
