#include <gtest/gtest.h>

#include "convcore/PictureTestPictures.h"
#include "support/TempDir.h"
#include "support/TestPdf.h"

namespace picturetest {
namespace {

namespace fs = std::filesystem;
using convcore::TaskOutcome;

class PictureToolsTest : public ::testing::Test {
protected:
    TaskOutcome Tool(const std::string& command, const fs::path& source, const fs::path& target,
                     Json::Value extra = Json::Value(Json::objectValue)) {
        Json::Value record = std::move(extra);
        record["cmd"] = command;
        record["source_path"] = source.string();
        record["target_path"] = target.string();
        return RunPictureCommand(record, context_);
    }

    TaskOutcome Resize(const fs::path& source, const fs::path& target, int width, int height) {
        Json::Value size;
        size["width"] = width;
        size["height"] = height;
        return Tool("image_resize", source, target, size);
    }

    TaskOutcome Compress(const fs::path& source, const fs::path& target, int max_kilobytes) {
        Json::Value limit;
        limit["max_size"] = max_kilobytes;
        return Tool("image_compress", source, target, limit);
    }

    fs::path Picture(const std::string& name, FIBITMAP* bitmap, int flags = 0) {
        Save(bitmap, folder_ / name, flags);
        return folder_ / name;
    }

    TempDir folder_;
    convcoretest::RecordingContext context_;
};

TEST_F(PictureToolsTest, ResizeGivesExactlyTheSizeInTheTargetsFormat) {
    const Bitmap colour = Quadrants(64, 48);
    const Bitmap palette(FreeImage_ColorQuantize(colour.get(), FIQ_WUQUANT));
    const Bitmap grey(FreeImage_ConvertToGreyscale(colour.get()));
    struct Case {
        std::string source;
        FIBITMAP* bitmap;
        std::string target;
        FREE_IMAGE_FORMAT format;
        int width;
        int height;
    };
    const std::vector<Case> cases{
        {"photo.jpg", colour.get(), "photo_small.jpg", FIF_JPEG, 100, 30},
        {"photo.bmp", colour.get(), "photo.TIFF", FIF_TIFF, 33, 97},
        {"palette.gif", palette.get(), "palette_big.gif", FIF_GIF, 128, 96},
        {"palette.png", palette.get(), "palette.jpeg", FIF_JPEG, 40, 40},
        {"grey.png", grey.get(), "grey.webp", FIF_WEBP, 31, 17},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.source + " -> " + c.target);
        const TaskOutcome outcome =
            Resize(Picture(c.source, c.bitmap), folder_ / c.target, c.width, c.height);
        ASSERT_TRUE(outcome.ok) << outcome.error;
        EXPECT_EQ(FreeImage_GetFileType((folder_ / c.target).c_str(), 0), c.format);
        const Bitmap result = Load(folder_ / c.target);
        ASSERT_TRUE(result);
        EXPECT_EQ(FreeImage_GetWidth(result.get()), static_cast<unsigned>(c.width));
        EXPECT_EQ(FreeImage_GetHeight(result.get()), static_cast<unsigned>(c.height));
        if (c.bitmap != grey.get()) {
            EXPECT_EQ(ColourAt(result.get(), 2, 2), 'r');
            EXPECT_EQ(ColourAt(result.get(), c.width - 3, c.height - 3), 'w');
        }
    }
}

TEST_F(PictureToolsTest, ResizeKeepsTransparency) {
    const fs::path source = Picture("logo.png", HalfTransparent(40, 20).get());
    ASSERT_TRUE(Resize(source, folder_ / "logo_small.png", 20, 10).ok);
    const Bitmap result = Load(folder_ / "logo_small.png");
    ASSERT_EQ(FreeImage_GetBPP(result.get()), 32u);
    EXPECT_EQ(AlphaAt(result.get(), 2, 5), 255);
    EXPECT_EQ(AlphaAt(result.get(), 17, 5), 0);
}

// A camera picture stored sideways with a tag saying "turn clockwise": the result is upright
// and must not carry a tag that would make viewers turn it a second time.
TEST_F(PictureToolsTest, CameraPicturesComeOutUprightAndAreNotTurnedTwice) {
    const Bitmap stored = Quadrants(40, 20);
    TagOrientation(stored.get(), 6);
    const fs::path source = Picture("camera.jpg", stored.get(), 95);
    for (const std::string target : {"camera_small.jpg", "camera_small.png"}) {
        SCOPED_TRACE(target);
        ASSERT_TRUE(Resize(source, folder_ / target, 10, 20).ok);
        const Bitmap plain = Load(folder_ / target);
        const Bitmap as_viewers_see_it = Load(folder_ / target, JPEG_EXIFROTATE);
        ASSERT_TRUE(plain && as_viewers_see_it);
        EXPECT_EQ(FreeImage_GetWidth(as_viewers_see_it.get()), 10u);
        EXPECT_EQ(FreeImage_GetHeight(as_viewers_see_it.get()), 20u);
        // Turned clockwise, the stored top-left corner (red) is at the top right.
        EXPECT_EQ(ColourAt(plain.get(), 8, 1), 'r');
        EXPECT_EQ(ColourAt(plain.get(), 1, 18), 'w');
    }
}

TEST_F(PictureToolsTest, ReformatConvertsBetweenFormats) {
    const fs::path colour = Picture("colour.png", Quadrants(32, 32).get());
    const fs::path alpha = Picture("alpha.png", HalfTransparent(32, 32).get());
    struct Case {
        fs::path source;
        std::string target;
        FREE_IMAGE_FORMAT format;
        char left;   // colour at the top left
        char right;  // at the top right
    };
    const std::vector<Case> cases{
        {alpha, "alpha.jpg", FIF_JPEG, 'r', 'w'},  // transparency goes onto white
        {alpha, "alpha.gif", FIF_GIF, 'r', 'w'},     {colour, "colour.bmp", FIF_BMP, 'r', 'g'},
        {colour, "colour.tif", FIF_TIFF, 'r', 'g'},  {colour, "colour.gif", FIF_GIF, 'r', 'g'},
        {colour, "colour.webp", FIF_WEBP, 'r', 'g'}, {colour, "colour.JPG", FIF_JPEG, 'r', 'g'},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.target);
        const TaskOutcome outcome = Tool("image_reformat", c.source, folder_ / c.target);
        ASSERT_TRUE(outcome.ok) << outcome.error;
        EXPECT_EQ(FreeImage_GetFileType((folder_ / c.target).c_str(), 0), c.format);
        const Bitmap result = Load(folder_ / c.target);
        ASSERT_TRUE(result);
        EXPECT_EQ(ColourAt(result.get(), 3, 3), c.left);
        EXPECT_EQ(ColourAt(result.get(), 28, 3), c.right);
        EXPECT_EQ(ColourAt(result.get(), 3, 28), c.source == alpha ? c.left : 'b');
    }
}

TEST_F(PictureToolsTest, ReformatToTheSameFormatCopiesTheFile) {
    const fs::path source = Picture("photo.jpeg", Quadrants(32, 32).get());
    ASSERT_TRUE(Tool("image_reformat", source, folder_ / "photo.jpg").ok);
    EXPECT_EQ(ReadBytes(folder_ / "photo.jpg"), ReadBytes(source));
}

TEST_F(PictureToolsTest, CompressGetsUnderTheLimitInKilobytes) {
    const Bitmap noise = Noise(300, 300);
    const fs::path jpeg = Picture("noise.jpg", noise.get(), 100);
    const fs::path png = Picture("noise.png", noise.get());
    struct Case {
        fs::path source;
        std::string target;
        int max_kilobytes;
    };
    const std::vector<Case> cases{
        {jpeg, "small.jpg", 60},
        {png, "small.png", 40},
        {png, "from_png.jpg", 30},
        {jpeg, "tiny.webp", 40},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.target);
        ASSERT_GT(fs::file_size(c.source), static_cast<std::uintmax_t>(c.max_kilobytes) * 1024);
        const TaskOutcome outcome = Compress(c.source, folder_ / c.target, c.max_kilobytes);
        ASSERT_TRUE(outcome.ok) << outcome.error;
        EXPECT_EQ(outcome.error, "");
        EXPECT_LE(fs::file_size(folder_ / c.target),
                  static_cast<std::uintmax_t>(c.max_kilobytes) * 1024);
        const Bitmap result = Load(folder_ / c.target);
        ASSERT_TRUE(result);
        EXPECT_EQ(FreeImage_GetWidth(result.get()), 300u);
        EXPECT_EQ(FreeImage_GetHeight(result.get()), 300u);
    }
}

TEST_F(PictureToolsTest, CompressKeepsTransparencyWhenReducingColours) {
    Bitmap logo = HalfTransparent(200, 200);
    const Bitmap noise = Noise(200, 200);
    // Noisy opaque half, so that only fewer colours get under the limit.
    for (int y = 0; y < 200; ++y) {
        BYTE* row = FreeImage_GetScanLine(logo.get(), y);
        const BYTE* colours = FreeImage_GetScanLine(noise.get(), y);
        for (int x = 0; x < 100; ++x)
            std::copy_n(colours + x * 3, 3, row + x * 4);
    }
    const fs::path source = Picture("logo.png", logo.get());
    const TaskOutcome outcome = Compress(source, folder_ / "logo_small.png", 20);
    ASSERT_TRUE(outcome.ok) << outcome.error;
    EXPECT_LE(fs::file_size(folder_ / "logo_small.png"), 20u * 1024);
    const Bitmap result(FreeImage_ConvertTo32Bits(Load(folder_ / "logo_small.png").get()));
    EXPECT_EQ(AlphaAt(result.get(), 150, 100), 0);
    EXPECT_EQ(AlphaAt(result.get(), 50, 100), 255);
}

TEST_F(PictureToolsTest, CompressKeepsASmallEnoughPictureAsItIs) {
    const fs::path source = Picture("small.jpg", Quadrants(64, 64).get());
    ASSERT_TRUE(Compress(source, folder_ / "same.jpg", 500).ok);
    EXPECT_EQ(ReadBytes(folder_ / "same.jpg"), ReadBytes(source));
}

TEST_F(PictureToolsTest, CompressBelowWhatIsPossibleWritesTheSmallestWithANote) {
    const fs::path source = Picture("noise.jpg", Noise(300, 300).get(), 100);
    const TaskOutcome outcome = Compress(source, folder_ / "small.jpg", 1);
    ASSERT_TRUE(outcome.ok) << outcome.error;
    EXPECT_NE(outcome.error.find("1 KB"), std::string::npos) << outcome.error;
    ASSERT_TRUE(fs::exists(folder_ / "small.jpg"));
    EXPECT_LT(fs::file_size(folder_ / "small.jpg"), fs::file_size(source) / 4);
}

TEST_F(PictureToolsTest, FailuresLeaveNothingBehind) {
    const fs::path good = Picture("good.png", Quadrants(16, 16).get());
    const fs::path empty = folder_ / "empty.png";
    const fs::path garbage = folder_ / "garbage.jpg";
    testdocs::WriteFile(empty, "");
    testdocs::WriteFile(garbage, "this is not a picture at all");
    struct Case {
        std::string label;
        std::string command;
        fs::path source;
        fs::path target;
        Json::Value extra;
        bool cancelled;
    };
    Json::Value size;
    size["width"] = 8;
    size["height"] = 8;
    Json::Value no_size;
    no_size["width"] = 0;
    no_size["height"] = 8;
    Json::Value limit;
    limit["max_size"] = 100;
    Json::Value no_limit;
    no_limit["max_size"] = 0;
    const fs::path missing_folder = folder_ / "gone" / "out.png";
    const std::vector<Case> cases{
        {"missing source", "image_resize", folder_ / "nope.png", folder_ / "a.png", size, false},
        {"empty source", "image_reformat", empty, folder_ / "a.jpg", {}, false},
        {"undecodable source", "image_compress", garbage, folder_ / "a.png", limit, false},
        // Same format and small enough to keep: still refused rather than copied.
        {"undecodable source", "image_compress", garbage, folder_ / "a.jpg", limit, false},
        {"undecodable source", "image_reformat", garbage, folder_ / "a.jpeg", {}, false},
        {"missing target folder", "image_resize", good, missing_folder, size, false},
        {"missing target folder", "image_reformat", good, folder_ / "gone" / "a.jpg", {}, false},
        {"unknown target type", "image_reformat", good, folder_ / "a.xyz", {}, false},
        {"zero width", "image_resize", good, folder_ / "a.png", no_size, false},
        {"zero limit", "image_compress", good, folder_ / "a.jpg", no_limit, false},
        {"bmp cannot trade quality", "image_compress", good, folder_ / "a.bmp", limit, false},
        {"cancelled", "image_resize", good, folder_ / "a.png", size, true},
    };
    const auto before = NamesIn(folder_.Path());
    for (const Case& c : cases) {
        SCOPED_TRACE(c.label + " " + c.command);
        context_.cancelled = c.cancelled;
        const TaskOutcome outcome =
            Tool(c.command, c.source, c.target,
                 c.extra.isNull() ? Json::Value(Json::objectValue) : c.extra);
        EXPECT_FALSE(outcome.ok);
        EXPECT_FALSE(outcome.error.empty());
        EXPECT_FALSE(fs::exists(c.target));
        EXPECT_EQ(NamesIn(folder_.Path()), before);
    }
}

}  // namespace
}  // namespace picturetest
