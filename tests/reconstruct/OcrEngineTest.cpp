#include <cairo.h>
#include <gtest/gtest.h>
#include <pango/pangocairo.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <memory>
#include <string>
#include <variant>
#include <vector>

#include "reconstruct/OcrEngine.h"
#include "reconstruct/OcrPageBuilder.h"
#include "reconstruct/OcrText.h"
#include "reconstruct/TextRuns.h"

namespace reconstruct {
namespace {

constexpr int kDpi = 300;
const std::string kChinese = "文档转换测试";

struct DrawnLine {
    std::string text;
    int pixels = 36;  // font size
};

void DrawText(cairo_t* cr, double x, double y, const DrawnLine& line) {
    PangoLayout* layout = pango_cairo_create_layout(cr);
    PangoFontDescription* font = pango_font_description_from_string("Noto Sans CJK SC");
    pango_font_description_set_absolute_size(font, line.pixels * PANGO_SCALE);
    pango_layout_set_font_description(layout, font);
    pango_layout_set_text(layout, line.text.c_str(), -1);
    cairo_move_to(cr, x, y);
    pango_cairo_show_layout(cr, layout);
    pango_font_description_free(font);
    g_object_unref(layout);
}

// A printed halftone: dots of changing size on a grid, as a photo in a newspaper.
void DrawHalftone(cairo_t* cr, double x, double y, int columns, int rows) {
    for (int row = 0; row < rows; ++row) {
        for (int column = 0; column < columns; ++column) {
            const double shade = 0.5 + 0.5 * std::sin(column / 9.0) * std::cos(row / 7.0);
            cairo_arc(cr, x + column * 5, y + row * 5, 2.6 * shade + 0.3, 0, 2 * M_PI);
            cairo_fill(cr);
        }
    }
}

// Black lines of text on white, one under the other, and optionally a halftone picture below.
OcrPicture Draw(const std::vector<DrawnLine>& lines, int width, int height,
                bool with_halftone = false) {
    cairo_surface_t* surface = cairo_image_surface_create(CAIRO_FORMAT_RGB24, width, height);
    cairo_t* cr = cairo_create(surface);
    cairo_set_source_rgb(cr, 1, 1, 1);
    cairo_paint(cr);
    cairo_set_source_rgb(cr, 0, 0, 0);
    double y = 60;
    for (const DrawnLine& line : lines) {
        DrawText(cr, 60, y, line);
        y += line.pixels * 2;
    }
    if (with_halftone)
        DrawHalftone(cr, 60, y + 40, 100, 60);
    cairo_destroy(cr);
    cairo_surface_flush(surface);
    // RGB24 is stored as B, G, R, unused: grey is the same in either order for black on white.
    OcrPicture picture =
        OcrPicture::FromPixels(cairo_image_surface_get_data(surface), width, height,
                               cairo_image_surface_get_stride(surface), 4, kDpi);
    cairo_surface_destroy(surface);
    return picture;
}

// Characters of `expected` found in `text` in order: tolerates a misread character.
std::size_t InOrder(const std::string& expected, const std::string& text) {
    const std::u32string a = DecodeUtf8(expected);
    const std::u32string b = DecodeUtf8(text);
    std::vector<std::vector<std::size_t>> common(a.size() + 1,
                                                 std::vector<std::size_t>(b.size() + 1, 0));
    for (std::size_t i = 1; i <= a.size(); ++i) {
        for (std::size_t j = 1; j <= b.size(); ++j) {
            common[i][j] = a[i - 1] == b[j - 1] ? common[i - 1][j - 1] + 1
                                                : std::max(common[i - 1][j], common[i][j - 1]);
        }
    }
    return common[a.size()][b.size()];
}

class OcrEngineTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        std::string error;
        engine_ = OcrEngine::Create(kDefaultOcrLanguages, &error).release();
        ASSERT_NE(engine_, nullptr) << error;
    }
    static void TearDownTestSuite() {
        delete engine_;
        engine_ = nullptr;
    }

    static OcrEngine* engine_;
};

OcrEngine* OcrEngineTest::engine_ = nullptr;

TEST_F(OcrEngineTest, ReadsChineseAndEnglishLinesTopToBottom) {
    const OcrPicture picture = Draw({{kChinese, 36}, {"Quire converts documents", 36}}, 1000, 260);
    OcrResult result;
    std::string error;
    ASSERT_EQ(engine_->Recognise(picture, {}, &result, &error), OcrStatus::kDone) << error;
    ASSERT_EQ(result.lines.size(), 2u);
    const std::string chinese = LineText(result.lines[0]);
    EXPECT_GE(InOrder(kChinese, chinese), 5u) << chinese;
    // The recogniser splits Chinese into words of a few characters; they join without spaces.
    EXPECT_EQ(chinese.find(' '), std::string::npos) << chinese;
    EXPECT_EQ(LineText(result.lines[1]), "Quire converts documents");
    EXPECT_LT(result.lines[0].box.y1, result.lines[1].box.y0);
    for (const OcrLine& line : result.lines) {
        EXPECT_NEAR(line.font_pixels, 36, 6) << LineText(line);
        EXPECT_GT(line.baseline, line.box.y0);
        EXPECT_LE(line.baseline, line.box.y1 + 1);
        for (const OcrWord& word : line.words) {
            EXPECT_GT(word.confidence, kNoiseConfidence) << word.text;
            ASSERT_FALSE(word.glyphs.empty()) << word.text;
            EXPECT_GE(word.glyphs.front().box.x0, word.box.x0 - 1) << word.text;
        }
    }
    EXPECT_TRUE(result.figures.empty());
}

TEST_F(OcrEngineTest, AHalftonePhotoIsAFigureCutIntoThePage) {
    const OcrPicture picture = Draw({{"Quire converts documents", 36}}, 900, 700, true);
    OcrResult result;
    std::string error;
    ASSERT_EQ(engine_->Recognise(picture, {}, &result, &error), OcrStatus::kDone) << error;
    ASSERT_EQ(result.figures.size(), 1u);
    const Rect& figure = result.figures.front();
    // The halftone spans x 60..560, y 200..500 in pixels.
    EXPECT_TRUE(figure.Contains(300, 350));
    EXPECT_FALSE(figure.Contains(300, 70));
    ASSERT_EQ(result.lines.size(), 1u);

    const double scale = 72.0 / kDpi;
    const Page page = BuildOcrPage(result, picture, {0, 900 * scale, 700 * scale, scale});
    EXPECT_FALSE(page.page_image.has_value());
    int images = 0;
    std::string text;
    for (const Region& region : page.regions) {
        for (const Block& block : region.blocks) {
            if (const auto* image = std::get_if<Image>(&block)) {
                ++images;
                EXPECT_EQ(image->mime, "image/png");
                EXPECT_NEAR(image->box.x0, figure.x0 * scale, 0.5);
            } else if (const auto* paragraph = std::get_if<Paragraph>(&block)) {
                text += TextOf(paragraph->runs);
            }
        }
    }
    EXPECT_EQ(images, 1);
    EXPECT_EQ(text, "Quire converts documents");
}

TEST_F(OcrEngineTest, CancelAndTimeLimitStopRecognitionPromptly) {
    std::vector<DrawnLine> lines(6, {"Quire converts documents every day", 30});
    const OcrPicture picture = Draw(lines, 1000, 500);
    const struct {
        const char* name;
        int cancel_after_polls;  // -1: never
        std::chrono::milliseconds limit;
        OcrStatus expected;
    } cases[] = {
        {"cancelled before it starts", 0, std::chrono::seconds(120), OcrStatus::kCancelled},
        {"cancelled at the second poll", 2, std::chrono::seconds(120), OcrStatus::kCancelled},
        {"out of time", -1, std::chrono::milliseconds(1), OcrStatus::kTimedOut},
    };
    for (const auto& c : cases) {
        int polls = 0;
        OcrOptions options;
        options.cancelled = [&] {
            return c.cancel_after_polls >= 0 && polls++ >= c.cancel_after_polls;
        };
        options.time_limit = c.limit;
        OcrResult result;
        std::string error;
        EXPECT_EQ(engine_->Recognise(picture, options, &result, &error), c.expected) << c.name;
        EXPECT_FALSE(error.empty()) << c.name;
        EXPECT_TRUE(result.lines.empty()) << c.name;
        // The recogniser polls once per line or word (7 polls or more here, with the check
        // before it starts): no poll after the one that said stop.
        EXPECT_LE(polls, c.cancel_after_polls + 1) << c.name;
    }
    // The engine is still good for the next page.
    OcrResult result;
    std::string error;
    EXPECT_EQ(engine_->Recognise(picture, {}, &result, &error), OcrStatus::kDone) << error;
    EXPECT_EQ(result.lines.size(), 6u);
}

TEST(OcrEngineCreateTest, LanguageListsThatCannotBeLoadedAreRefused) {
    for (const char* languages :
         {"", "eng+", "+eng", "../eng", "eng chi_sim", "klingon", "chi_sim+klingon"}) {
        std::string error;
        EXPECT_EQ(OcrEngine::Create(languages, &error), nullptr) << languages;
        EXPECT_FALSE(error.empty()) << languages;
    }
    std::string error;
    EXPECT_NE(OcrEngine::Create("eng", &error), nullptr) << error;
}

}  // namespace
}  // namespace reconstruct
