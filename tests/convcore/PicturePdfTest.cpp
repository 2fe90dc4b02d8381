#include <gtest/gtest.h>
#include <qpdf/QPDF.hh>
#include <qpdf/QPDFPageDocumentHelper.hh>

#include "convcore/PictureTestPictures.h"
#include "support/TempDir.h"
#include "support/TestPdf.h"

namespace picturetest {
namespace {

namespace fs = std::filesystem;
using convcore::TaskOutcome;

struct PageSize {
    double width;
    double height;
};

std::vector<PageSize> PageSizes(const fs::path& pdf) {
    QPDF document;
    document.processFile(pdf.c_str());
    std::vector<PageSize> sizes;
    for (QPDFPageObjectHelper& page : QPDFPageDocumentHelper(document).getAllPages()) {
        const QPDFObjectHandle::Rectangle box = page.getMediaBox().getArrayAsRectangle();
        sizes.push_back({box.urx - box.llx, box.ury - box.lly});
    }
    return sizes;
}

struct Options {
    int compress = 0;
    int quality = 100;
    int page_size = 0;
    int direction = 0;
    int margin = 0;
};

class PicturePdfTest : public ::testing::Test {
protected:
    TaskOutcome Convert(const std::vector<fs::path>& images, const fs::path& target,
                        const Options& options = {}) {
        Json::Value record;
        record["cmd"] = "jpg_to_pdf";
        record["target_path"] = target.string();
        record["compress"] = options.compress;
        record["image_quality"] = options.quality;
        record["page_size"] = options.page_size;
        record["page_direction"] = options.direction;
        record["page_margin"] = options.margin;
        record["images"] = Json::Value(Json::arrayValue);
        for (const fs::path& image : images)
            record["images"].append(image.string());
        return RunPictureCommand(record, context_);
    }

    fs::path Picture(const std::string& name, FIBITMAP* bitmap, int flags = 0) {
        Save(bitmap, folder_ / name, flags);
        return folder_ / name;
    }

    static bool Checks(const fs::path& pdf) {
        return testdocs::RunTool("qpdf", {"--check", pdf.string()});
    }

    TempDir folder_;
    convcoretest::RecordingContext context_;
};

void SetDpi(FIBITMAP* bitmap, double dpi) {
    const auto dots_per_metre = static_cast<unsigned>(dpi / 0.0254 + 0.5);
    FreeImage_SetDotsPerMeterX(bitmap, dots_per_metre);
    FreeImage_SetDotsPerMeterY(bitmap, dots_per_metre);
}

TEST_F(PicturePdfTest, OnePagePerPictureInThePaperAsked) {
    const Bitmap colour = Quadrants(600, 300);
    const Bitmap grey(FreeImage_ConvertToGreyscale(colour.get()));
    const Bitmap palette(FreeImage_ColorQuantize(colour.get(), FIQ_WUQUANT));
    for (FIBITMAP* bitmap : {colour.get(), grey.get(), palette.get()})
        SetDpi(bitmap, 300);
    const std::vector<fs::path> images{Picture("a.jpg", colour.get()), Picture("b.png", grey.get()),
                                       Picture("c.png", palette.get()),
                                       Picture("d.bmp", colour.get())};
    struct Case {
        std::string label;
        Options options;
        PageSize size;
    };
    // 600 x 300 pixels at 300 dpi are 144 x 72 points.
    const std::vector<Case> cases{
        {"A4 portrait", {0, 100, 2, 0, 1}, {595.28, 841.89}},
        {"A4 landscape", {0, 100, 2, 1, 2}, {841.89, 595.28}},
        {"A3 portrait, compressed", {1, 50, 1, 0, 0}, {841.89, 1190.55}},
        {"picture size", {0, 100, 0, 1, 0}, {144, 72}},
        {"picture size, narrow margins", {1, 25, 0, 0, 1}, {216, 144}},
        {"picture size, wide margins", {0, 100, 0, 0, 2}, {288, 216}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.label);
        const fs::path pdf = folder_ / "pictures.pdf";
        const TaskOutcome outcome = Convert(images, pdf, c.options);
        ASSERT_TRUE(outcome.ok) << outcome.error;
        EXPECT_TRUE(Checks(pdf));
        const std::vector<PageSize> sizes = PageSizes(pdf);
        ASSERT_EQ(sizes.size(), images.size());
        for (const PageSize& size : sizes) {
            EXPECT_NEAR(size.width, c.size.width, 0.01);
            EXPECT_NEAR(size.height, c.size.height, 0.01);
        }
    }
}

TEST_F(PicturePdfTest, PictureIsFittedAndCentredWithinTheMargins) {
    const fs::path image = Picture("wide.png", Quadrants(200, 100).get());
    const fs::path pdf = folder_ / "wide.pdf";
    ASSERT_TRUE(Convert({image}, pdf, {0, 100, 2, 0, 1}).ok);
    const Bitmap page = RenderFirstPage(pdf);
    ASSERT_TRUE(page);
    ASSERT_NEAR(FreeImage_GetWidth(page.get()), 595, 1);
    // Half an inch of margin each side leaves 523 points: the picture is 523 x 262, centred
    // on the 842-point page from 290 to 552.
    EXPECT_EQ(ColourAt(page.get(), 20, 300), 'w');   // left margin
    EXPECT_EQ(ColourAt(page.get(), 40, 300), 'r');   // top-left quadrant
    EXPECT_EQ(ColourAt(page.get(), 555, 300), 'g');  // top right
    EXPECT_EQ(ColourAt(page.get(), 40, 545), 'b');   // bottom left
    EXPECT_EQ(ColourAt(page.get(), 300, 280), 'w');  // above the picture
    EXPECT_EQ(ColourAt(page.get(), 300, 560), 'w');  // below it
}

TEST_F(PicturePdfTest, JpegFilesAreCarriedUnchangedUnlessCompressing) {
    const std::vector<fs::path> images{
        Picture("noise.jpg", Noise(300, 200).get(), 100),
        Picture("grey.jpg", Bitmap(FreeImage_ConvertToGreyscale(Noise(100, 100).get())).get(), 95)};
    const fs::path kept = folder_ / "kept.pdf";
    ASSERT_TRUE(Convert(images, kept).ok);
    const fs::path compressed = folder_ / "compressed.pdf";
    ASSERT_TRUE(Convert(images, compressed, {1, 25, 2, 0, 0}).ok);
    for (const fs::path& pdf : {kept, compressed})
        EXPECT_TRUE(Checks(pdf)) << pdf;
    const std::string kept_bytes = ReadBytes(kept);
    const std::string compressed_bytes = ReadBytes(compressed);
    for (const fs::path& image : images) {
        EXPECT_NE(kept_bytes.find(ReadBytes(image)), std::string::npos) << image;
        EXPECT_EQ(compressed_bytes.find(ReadBytes(image)), std::string::npos) << image;
    }
    EXPECT_LT(compressed_bytes.size() * 2, kept_bytes.size());
}

// Stored sideways or upside down with a camera tag: each page shows the picture upright.
TEST_F(PicturePdfTest, CameraOrientationIsHonoured) {
    struct Case {
        int orientation;
        bool turned;
        char top_left;  // the colour at the page's top-left corner
    };
    // The stored top-left quadrant is red: upright it stays at the top left, upside down it is
    // at the bottom right, turned clockwise at the top right, anticlockwise at the bottom left.
    const std::vector<Case> cases{{1, false, 'r'}, {3, false, 'w'}, {6, true, 'b'}, {8, true, 'g'}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.orientation);
        const Bitmap stored = Quadrants(80, 40);
        TagOrientation(stored.get(), c.orientation);
        const fs::path image = Picture("camera.jpg", stored.get(), 95);
        for (const int compress : {0, 1}) {
            const fs::path pdf = folder_ / "camera.pdf";
            ASSERT_TRUE(Convert({image}, pdf, {compress, 50, 0, 0, 0}).ok);
            const Bitmap page = RenderFirstPage(pdf);
            ASSERT_TRUE(page);
            EXPECT_EQ(FreeImage_GetWidth(page.get()), c.turned ? 40u : 80u);
            EXPECT_EQ(FreeImage_GetHeight(page.get()), c.turned ? 80u : 40u);
            EXPECT_EQ(ColourAt(page.get(), 3, 3), c.top_left);
        }
    }
}

// An 8-bit picture: red on the left, a transparent palette entry on the right.
Bitmap TransparentPalette(int width, int height) {
    Bitmap bitmap(FreeImage_Allocate(width, height, 8));
    RGBQUAD* palette = FreeImage_GetPalette(bitmap.get());
    palette[0] = {0, 0, 255, 0};
    palette[1] = {0, 0, 0, 0};
    for (int y = 0; y < height; ++y) {
        BYTE* row = FreeImage_GetScanLine(bitmap.get(), y);
        for (int x = 0; x < width; ++x)
            row[x] = x < width / 2 ? 0 : 1;
    }
    BYTE table[2] = {255, 0};
    FreeImage_SetTransparencyTable(bitmap.get(), table, 2);
    return bitmap;
}

TEST_F(PicturePdfTest, TransparencyShowsThePageThrough) {
    const std::vector<fs::path> images{Picture("logo.png", HalfTransparent(40, 20).get()),
                                       Picture("logo.gif", TransparentPalette(40, 20).get())};
    for (const auto& [image, compress] :
         {std::pair(images[0], 0), std::pair(images[0], 1), std::pair(images[1], 0)}) {
        SCOPED_TRACE(image.filename().string() + " compress " + std::to_string(compress));
        const fs::path pdf = folder_ / "logo.pdf";
        ASSERT_TRUE(Convert({image}, pdf, {compress, 75, 0, 0, 0}).ok);
        EXPECT_TRUE(Checks(pdf));
        const Bitmap page = RenderFirstPage(pdf);
        ASSERT_TRUE(page);
        EXPECT_EQ(ColourAt(page.get(), 5, 10), 'r');
        EXPECT_EQ(ColourAt(page.get(), 35, 10), 'w');
    }
}

TEST_F(PicturePdfTest, FailuresLeaveNothingBehind) {
    const fs::path good = Picture("good.jpg", Quadrants(16, 16).get());
    const fs::path empty = folder_ / "empty.png";
    const fs::path garbage = folder_ / "garbage.png";
    testdocs::WriteFile(empty, "");
    testdocs::WriteFile(garbage, "\x89PNG\r\n\x1a\n but nothing after the signature");
    struct Case {
        std::string label;
        std::vector<fs::path> images;
        fs::path target;
        bool cancelled;
    };
    const std::vector<Case> cases{
        {"missing picture", {good, folder_ / "nope.jpg"}, folder_ / "out.pdf", false},
        {"empty picture", {good, empty}, folder_ / "out.pdf", false},
        {"undecodable picture", {garbage, good}, folder_ / "out.pdf", false},
        {"no pictures", {}, folder_ / "out.pdf", false},
        {"missing target folder", {good}, folder_ / "gone" / "out.pdf", false},
        {"cancelled", {good}, folder_ / "out.pdf", true},
    };
    const auto before = NamesIn(folder_.Path());
    for (const Case& c : cases) {
        SCOPED_TRACE(c.label);
        context_.cancelled = c.cancelled;
        const TaskOutcome outcome = Convert(c.images, c.target);
        EXPECT_FALSE(outcome.ok);
        EXPECT_FALSE(outcome.error.empty());
        EXPECT_FALSE(fs::exists(c.target));
        EXPECT_EQ(NamesIn(folder_.Path()), before);
    }
}

}  // namespace
}  // namespace picturetest
