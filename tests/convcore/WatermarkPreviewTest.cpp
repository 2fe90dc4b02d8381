#include <gtest/gtest.h>

#include <cmath>
#include <functional>

#include "convcore/PageToolTestDocs.h"
#include "convcore/WatermarkTestSupport.h"
#include "support/TempDir.h"
#include "support/TestPdf.h"

namespace watermarktest {
namespace {

namespace fs = std::filesystem;
using convcoretest::RecordingContext;

constexpr int kPreviewWidth = 210;

class WatermarkPreviewTest : public ::testing::Test {
protected:
    fs::path Source(const std::string& attributes, const std::string& content) {
        testdocs::WriteFile(folder_ / "source.pdf", testdocs::BuildPdf({{content, attributes}}));
        return folder_ / "source.pdf";
    }

    // Runs the preview of `record` and returns the image it made.
    Bitmap Preview(const Json::Value& record) {
        const fs::path image = folder_ / "wmpreview.png";
        RecordingContext context;
        const convcore::TaskOutcome outcome =
            RunWatermarkCommand(AsPreview(record, image), context);
        EXPECT_TRUE(outcome.ok) << outcome.error;
        return picturetest::Load(image);
    }

    TempDir folder_;
};

TEST_F(WatermarkPreviewTest, PreviewShowsTheFirstPageAsTheWatermarkedFileShowsIt) {
    struct Case {
        const char* label;
        const char* attributes;
        std::function<Json::Value(const fs::path& source, const fs::path& target)> record;
        int height;
    };
    const fs::path picture = folder_ / "mark.png";
    picturetest::Save(picturetest::Quadrants(120, 80).get(), picture);
    const Case cases[] = {
        {"turned text", "",
         [](const fs::path& source, const fs::path& target) {
             Json::Value record = TextRecord(source, target, kChineseMark);
             record["rotate"] = 45;
             record["opacity"] = 50;
             record["font_color_r"] = 200;
             return record;
         },
         297},
        {"tiled text on a turned page", "/Rotate 90",
         [](const fs::path& source, const fs::path& target) {
             Json::Value record = TextRecord(source, target, "Draft");
             record["multi_line"] = 1;
             record["vertical_alignment"] = 0;
             return record;
         },
         148},
        {"picture in a corner", "/CropBox [0 0 400 400]",
         [&picture](const fs::path& source, const fs::path& target) {
             Json::Value record = PictureRecord(source, target, picture);
             record["vertical_alignment"] = 2;
             record["horizontal_alignment"] = 2;
             return record;
         },
         210},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.label);
        const fs::path source = Source(c.attributes, testdocs::kTextContent);
        const fs::path marked = folder_ / "marked.pdf";
        const Json::Value record = c.record(source, marked);
        RecordingContext context;
        ASSERT_TRUE(RunWatermarkCommand(record, context).ok);

        const Bitmap preview = Preview(record);
        ASSERT_NE(preview, nullptr);
        EXPECT_EQ(FreeImage_GetWidth(preview.get()), static_cast<unsigned>(kPreviewWidth));
        EXPECT_NEAR(FreeImage_GetHeight(preview.get()), c.height, 1);
        const Bitmap plain = RenderPage(source, 1, "", preview.get());
        const Bitmap output = RenderPage(marked, 1, "", preview.get());
        EXPECT_GT(Compare(plain.get(), preview.get()).pixels, 100);
        const Change mismatch = Compare(output.get(), preview.get());
        EXPECT_LT(mismatch.pixels, kPreviewWidth * c.height / 200) << "1/2 % of the pixels";
    }
}

TEST_F(WatermarkPreviewTest, PreviewBeforeAnythingIsChosenShowsThePlainPage) {
    const fs::path source = Source("", testdocs::kTextContent);
    const fs::path unused = folder_ / "unused.pdf";
    Json::Value no_picture = PictureRecord(source, unused, "");
    for (const Json::Value& record : {TextRecord(source, unused, " "), no_picture}) {
        const Bitmap preview = Preview(record);
        ASSERT_NE(preview, nullptr);
        const Bitmap plain = RenderPage(source, 1, "", preview.get());
        EXPECT_EQ(Compare(plain.get(), preview.get()).pixels, 0);
    }
    EXPECT_FALSE(fs::exists(unused));
}

TEST_F(WatermarkPreviewTest, ProtectedSourcePreviewsWithItsPassword) {
    const fs::path plain = Source("", testdocs::kTextContent);
    const fs::path locked = folder_ / "locked.pdf";
    ASSERT_TRUE(convcoretest::EncryptWithQpdf(plain, locked, "user", "owner"));
    Json::Value record = TextRecord(locked, folder_ / "unused.pdf", kChineseMark);
    record["password"] = "user";
    const Bitmap preview = Preview(record);
    ASSERT_NE(preview, nullptr);
    const Bitmap unmarked = RenderPage(plain, 1, "", preview.get());
    EXPECT_GT(Compare(unmarked.get(), preview.get()).pixels, 100);
}

}  // namespace
}  // namespace watermarktest
