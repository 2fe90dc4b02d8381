#include <gtest/gtest.h>

#include <cmath>

#include "convcore/PageToolTestDocs.h"
#include "convcore/WatermarkTestSupport.h"
#include "support/TempDir.h"
#include "support/TestPdf.h"

namespace watermarktest {
namespace {

namespace fs = std::filesystem;
using convcoretest::RecordingContext;
using testdocs::TestPage;

constexpr int kPageWidth = 595;  // what testdocs pages measure, in points
constexpr int kPageHeight = 842;
constexpr char kOpaqueWhitePage[] = "1 1 1 rg 0 0 595 842 re f";

Region Quadrant(bool top, bool left, int width = kPageWidth, int height = kPageHeight) {
    return {left ? 0 : width / 2, top ? 0 : height / 2, left ? width / 2 : width,
            top ? height / 2 : height};
}

class WatermarkDrawingTest : public ::testing::Test {
protected:
    fs::path Source(const std::vector<TestPage>& pages, const std::string& name = "source.pdf") {
        testdocs::WriteFile(folder_ / name, testdocs::BuildPdf(pages));
        return folder_ / name;
    }
    fs::path BlankSource() { return Source({{testdocs::kBlankContent, ""}}); }

    fs::path Target(const std::string& name = "marked.pdf") const { return folder_ / name; }

    // Runs the record and checks that its output is a sound PDF.
    void Watermark(const Json::Value& record, const std::string& password = "") {
        RecordingContext context;
        const convcore::TaskOutcome outcome = RunWatermarkCommand(record, context);
        ASSERT_TRUE(outcome.ok) << outcome.error;
        ASSERT_FALSE(context.progress.empty());
        EXPECT_EQ(context.progress.back(), 100);
        std::vector<std::string> check{"--check", record["target_path"].asString()};
        if (!password.empty())
            check.insert(check.begin(), "--password=" + password);
        ASSERT_TRUE(testdocs::RunTool("qpdf", check));
    }

    // What the record's watermark changes on `page`.
    Change Marked(const Json::Value& record, int page = 1, const std::string& password = "") {
        Watermark(record, password);
        const Bitmap before = RenderPage(record["source_path"].asString(), page, password);
        const Bitmap after = RenderPage(record["target_path"].asString(), page, password);
        return Compare(before.get(), after.get());
    }

    fs::path Picture(int width, int height, double dpi, const std::string& name = "mark.png") {
        const Bitmap picture = picturetest::Quadrants(width, height);
        const auto dots_per_metre = static_cast<unsigned>(std::lround(dpi / 0.0254));
        FreeImage_SetDotsPerMeterX(picture.get(), dots_per_metre);
        FreeImage_SetDotsPerMeterY(picture.get(), dots_per_metre);
        picturetest::Save(picture.get(), folder_ / name);
        return folder_ / name;
    }

    TempDir folder_;
};

TEST_F(WatermarkDrawingTest, AlignmentPutsASingleMarkInItsCorner) {
    struct Case {
        int vertical;
        int horizontal;
        bool top;
        bool left;
    };
    const fs::path source = BlankSource();
    for (const Case& c : {Case{0, 0, true, true}, Case{0, 2, true, false}, Case{2, 0, false, true},
                          Case{2, 2, false, false}}) {
        SCOPED_TRACE(testing::Message() << c.vertical << "/" << c.horizontal);
        Json::Value record = TextRecord(source, Target(), kChineseMark);
        record["vertical_alignment"] = c.vertical;
        record["horizontal_alignment"] = c.horizontal;
        const Bitmap before = RenderPage(source, 1);
        Watermark(record);
        const Bitmap after = RenderPage(Target(), 1);
        const Change change = Compare(before.get(), after.get());
        ASSERT_GT(change.pixels, 200);
        EXPECT_EQ(ChangedIn(before.get(), after.get(), Quadrant(c.top, c.left)), change.pixels);
        // Close to its corner, not merely somewhere in the quarter.
        const int from_side = c.left ? change.box.left : kPageWidth - change.box.right;
        const int from_edge = c.top ? change.box.top : kPageHeight - change.box.bottom;
        EXPECT_LT(from_side, 60);
        EXPECT_LT(from_edge, 60);
    }

    const Change centred = Marked(TextRecord(source, Target(), kChineseMark));
    EXPECT_NEAR((centred.box.left + centred.box.right) / 2.0, kPageWidth / 2.0, 4);
    EXPECT_NEAR((centred.box.top + centred.box.bottom) / 2.0, kPageHeight / 2.0, 4);
}

TEST_F(WatermarkDrawingTest, RotationTurnsTheMarkAnticlockwise) {
    enum class Shape { kWide, kTall, kRising, kFalling };
    struct Case {
        int degrees;
        Shape shape;
    };
    const fs::path source = BlankSource();
    for (const Case& c :
         {Case{0, Shape::kWide}, Case{90, Shape::kTall}, Case{180, Shape::kWide},
          Case{270, Shape::kTall}, Case{45, Shape::kRising}, Case{-45, Shape::kFalling}}) {
        SCOPED_TRACE(c.degrees);
        Json::Value record = TextRecord(source, Target(), kChineseMark);
        record["rotate"] = c.degrees;
        const Bitmap before = RenderPage(source, 1);
        Watermark(record);
        const Bitmap after = RenderPage(Target(), 1);
        const Change change = Compare(before.get(), after.get());
        ASSERT_GT(change.pixels, 200);
        const Region box = change.box;
        if (c.shape == Shape::kWide) {
            EXPECT_GT(box.Width(), 2 * box.Height());
        }
        if (c.shape == Shape::kTall) {
            EXPECT_GT(box.Height(), 2 * box.Width());
        }
        if (c.shape == Shape::kRising || c.shape == Shape::kFalling) {
            EXPECT_NEAR(box.Width(), box.Height(), box.Width() / 4);
            // Text turned anticlockwise starts low on the left and rises to the right.
            const Region left_top{box.left, box.top, box.left + box.Width() / 4,
                                  box.top + box.Height() / 4};
            const Region left_bottom{box.left, box.bottom - box.Height() / 4,
                                     box.left + box.Width() / 4, box.bottom};
            const int high = ChangedIn(before.get(), after.get(), left_top);
            const int low = ChangedIn(before.get(), after.get(), left_bottom);
            EXPECT_GT(c.shape == Shape::kRising ? low : high, 10);
            EXPECT_EQ(c.shape == Shape::kRising ? high : low, 0);
        }
    }
}

TEST_F(WatermarkDrawingTest, OpacityAndColourAlphaLightenTheMark) {
    struct Case {
        int opacity;
        int alpha;
        double share;  // of the ink of an opaque mark
    };
    const fs::path source = BlankSource();
    const Change opaque = Marked(TextRecord(source, Target(), kChineseMark));
    ASSERT_GT(opaque.darker, 0);
    for (const Case& c : {Case{75, 255, 0.75}, Case{50, 255, 0.5}, Case{25, 255, 0.25},
                          Case{100, 128, 0.5}, Case{50, 128, 0.25}}) {
        SCOPED_TRACE(testing::Message() << c.opacity << "% alpha " << c.alpha);
        Json::Value record = TextRecord(source, Target(), kChineseMark);
        record["opacity"] = c.opacity;
        record["font_color_a"] = c.alpha;
        const Change change = Marked(record);
        EXPECT_NEAR(static_cast<double>(change.darker) / opaque.darker, c.share, 0.05);
    }
}

TEST_F(WatermarkDrawingTest, ValuesOutsideTheirRangeFallBackToTheDialogDefaults) {
    const fs::path source = BlankSource();
    Json::Value expected = TextRecord(source, Target(), kChineseMark);
    expected["font_size"] = 50;
    const Change fallback_look = Marked(expected);

    Json::Value odd = TextRecord(source, Target(), kChineseMark);
    odd["vertical_alignment"] = 7;
    odd["horizontal_alignment"] = -1;
    odd["opacity"] = 300;
    odd["font_size"] = 0;
    odd["font"] = 9;
    odd["font_color_a"] = 1000;
    const Change change = Marked(odd);
    EXPECT_EQ(change.pixels, fallback_look.pixels);
    EXPECT_EQ(change.darker, fallback_look.darker);
    EXPECT_EQ(change.box.left, fallback_look.box.left);
    EXPECT_EQ(change.box.top, fallback_look.box.top);
}

TEST_F(WatermarkDrawingTest, MultiLineTilesTheWholePage) {
    const fs::path source = BlankSource();
    Json::Value record = TextRecord(source, Target(), kChineseMark);
    record["rotate"] = 45;
    const Change single = Marked(record);
    record["multi_line"] = 1;
    const Bitmap before = RenderPage(source, 1);
    Watermark(record);
    const Bitmap after = RenderPage(Target(), 1);
    const Change tiled = Compare(before.get(), after.get());
    EXPECT_GT(tiled.pixels, 8 * single.pixels);
    for (const bool top : {true, false}) {
        for (const bool left : {true, false}) {
            EXPECT_GT(ChangedIn(before.get(), after.get(), Quadrant(top, left)), single.pixels);
        }
    }
}

TEST_F(WatermarkDrawingTest, BackgroundMarkGoesUnderThePageContent) {
    struct Case {
        const char* content;
        int background;
        bool visible;
    };
    for (const Case& c : {Case{kOpaqueWhitePage, 1, false}, Case{kOpaqueWhitePage, 0, true},
                          Case{testdocs::kBlankContent, 1, true}}) {
        SCOPED_TRACE(testing::Message() << c.content << " background " << c.background);
        Json::Value record = TextRecord(Source({{c.content, ""}}), Target(), kChineseMark);
        record["is_background"] = c.background;
        const Change change = Marked(record);
        if (c.visible) {
            EXPECT_GT(change.pixels, 200);
        } else {
            EXPECT_EQ(change.pixels, 0);
        }
    }
}

TEST_F(WatermarkDrawingTest, PictureKeepsItsOwnSizeOrFollowsThePageWidth) {
    struct Case {
        double dpi;
        int own_size;
        int size_scale;
        double width;  // points
        double height;
    };
    const fs::path source = BlankSource();
    for (const Case& c : {Case{72, 1, 0, 144, 72}, Case{144, 1, 0, 72, 36},
                          Case{72, 0, 50, kPageWidth * 0.5, kPageWidth * 0.25},
                          Case{300, 0, 20, kPageWidth * 0.2, kPageWidth * 0.1}}) {
        SCOPED_TRACE(testing::Message()
                     << c.dpi << " dpi, own " << c.own_size << ", " << c.size_scale << "%");
        Json::Value record = PictureRecord(source, Target(), Picture(144, 72, c.dpi));
        record["is_orgin_size"] = c.own_size;
        record["size_scale"] = c.size_scale;
        const Change change = Marked(record);
        EXPECT_NEAR(change.box.Width(), c.width, 2);
        EXPECT_NEAR(change.box.Height(), c.height, 2);
    }
}

TEST_F(WatermarkDrawingTest, TurnedAndCroppedPagesShowTheMarkUpright) {
    struct Case {
        const char* attributes;
        int seen_width;
        int seen_height;
    };
    const fs::path picture = Picture(100, 60, 72);
    for (const Case& c :
         {Case{"", kPageWidth, kPageHeight}, Case{"/Rotate 90", kPageHeight, kPageWidth},
          Case{"/Rotate 180", kPageWidth, kPageHeight},
          Case{"/Rotate -90", kPageHeight, kPageWidth},
          Case{"/CropBox [100 150 400 550]", 300, 400},
          Case{"/Rotate 90 /CropBox [100 150 400 550]", 400, 300}}) {
        SCOPED_TRACE(c.attributes);
        Json::Value record =
            PictureRecord(Source({{testdocs::kTextContent, c.attributes}}), Target(), picture);
        record["vertical_alignment"] = 0;
        record["horizontal_alignment"] = 0;
        Watermark(record);
        const Bitmap before = RenderPage(record["source_path"].asString(), 1);
        const Bitmap after = RenderPage(Target(), 1);
        ASSERT_NE(after, nullptr);
        ASSERT_EQ(FreeImage_GetWidth(after.get()), static_cast<unsigned>(c.seen_width));
        ASSERT_EQ(FreeImage_GetHeight(after.get()), static_cast<unsigned>(c.seen_height));
        const Change change = Compare(before.get(), after.get());
        const Region corner = Quadrant(true, true, c.seen_width, c.seen_height);
        EXPECT_EQ(ChangedIn(before.get(), after.get(), corner), change.pixels);
        EXPECT_NEAR(change.box.Width(), 100, 2);
        EXPECT_NEAR(change.box.Height(), 60, 2);
        // The picture's red corner is at its top left, green top right, blue bottom left.
        const Region box = change.box;
        EXPECT_EQ(picturetest::ColourAt(after.get(), box.left + 10, box.top + 10), 'r');
        EXPECT_EQ(picturetest::ColourAt(after.get(), box.right - 10, box.top + 10), 'g');
        EXPECT_EQ(picturetest::ColourAt(after.get(), box.left + 10, box.bottom - 10), 'b');
    }
}

TEST_F(WatermarkDrawingTest, OnlyTheChosenPagesGetTheMarkOnce) {
    const fs::path source = Source(testdocs::TextPages(3));
    const Json::Value every_page = TextRecord(source, Target("all.pdf"), kChineseMark);
    Watermark(every_page);
    Json::Value record = TextRecord(source, Target(), kChineseMark);
    record["pages"].append(2);
    record["pages"].append(2);
    Watermark(record);

    const std::vector<std::string> texts = convcoretest::PageTexts(Target());
    ASSERT_EQ(texts.size(), 3u);
    for (int page = 1; page <= 3; ++page) {
        SCOPED_TRACE(page);
        const bool chosen = page == 2;
        EXPECT_EQ(texts[page - 1].find(kChineseMark) != std::string::npos, chosen);
        const Bitmap plain = RenderPage(source, page);
        const Bitmap marked = RenderPage(Target(), page);
        EXPECT_EQ(Compare(plain.get(), marked.get()).pixels > 0, chosen);
    }
    // Listed twice, stamped once: as dark as where every page was stamped.
    const Bitmap once = RenderPage(Target("all.pdf"), 2);
    const Bitmap chosen = RenderPage(Target(), 2);
    const Change difference = Compare(once.get(), chosen.get());
    EXPECT_EQ(difference.pixels, 0);
    EXPECT_EQ(difference.darker, 0);
}

TEST_F(WatermarkDrawingTest, TextStaysTextInEveryFontOfTheList) {
    const fs::path source = BlankSource();
    const std::string text = std::string("Draft ") + kChineseMark;
    for (int font = 0; font < 4; ++font) {
        SCOPED_TRACE(font);
        Json::Value record = TextRecord(source, Target(), text);
        record["font"] = font;
        Watermark(record);
        const std::vector<std::string> texts = convcoretest::PageTexts(Target());
        ASSERT_EQ(texts.size(), 1u);
        EXPECT_NE(texts[0].find(text), std::string::npos) << texts[0];
    }
}

TEST_F(WatermarkDrawingTest, ProtectedSourceGivesAnEquallyProtectedCopy) {
    const fs::path plain = Source(testdocs::TextPages(2), "plain.pdf");
    const fs::path locked = folder_ / "locked.pdf";
    ASSERT_TRUE(convcoretest::EncryptWithQpdf(plain, locked, "user", "owner"));
    for (const std::string password : {"user", "owner"}) {
        SCOPED_TRACE(password);
        Json::Value record = TextRecord(locked, Target(), kChineseMark);
        record["password"] = password;
        const Change change = Marked(record, 2, password);
        EXPECT_GT(change.pixels, 200);
        // Both passwords still open the copy: Marked checked it with this one.
        EXPECT_TRUE(testdocs::RunTool("qpdf", {"--requires-password", Target().string()}));
        const std::vector<std::string> texts = convcoretest::PageTexts(Target(), "user");
        ASSERT_EQ(texts.size(), 2u);
        EXPECT_NE(texts[1].find(kChineseMark), std::string::npos);
    }
}

}  // namespace
}  // namespace watermarktest
