#include "platform/Utf8Append.h"
#include "reconstruct/PageExtract.h"

#include <gtest/gtest.h>
#include <mupdf/fitz.h>

#include <algorithm>
#include <cmath>

#include "DrawnPdf.h"
#include "reconstruct/TextRuns.h"
#include "support/TestPdf.h"

namespace reconstruct {
namespace {

constexpr double kWidth = 595;
constexpr double kHeight = 842;

std::string LineText(const RawLine& line) {
    std::string text;
    for (const RawChar& c : line.chars)
        platform::AppendUtf8(c.code, &text);
    return text;
}

const RawLine* FindLine(const RawPage& page, const std::string& needle) {
    for (const RawLine& line : page.lines) {
        if (LineText(line).find(needle) != std::string::npos)
            return &line;
    }
    return nullptr;
}

// The characters of `word` in the first line that holds it.
std::vector<RawChar> CharsOf(const RawPage& page, const std::u32string& word) {
    for (const RawLine& line : page.lines) {
        std::u32string codes;
        for (const RawChar& c : line.chars)
            codes += c.code;
        const std::size_t at = codes.find(word);
        if (at != std::u32string::npos)
            return {line.chars.begin() + static_cast<std::ptrdiff_t>(at),
                    line.chars.begin() + static_cast<std::ptrdiff_t>(at + word.size())};
    }
    ADD_FAILURE() << "no line holds the word";
    return {};
}

const FontStyle& StyleOf(const RawPage& page, const RawChar& c) {
    return page.styles.at(static_cast<std::size_t>(c.style));
}

bool IsPng(const std::vector<unsigned char>& bytes) {
    return bytes.size() > 8 && bytes[0] == 0x89 && bytes[1] == 'P' && bytes[2] == 'N' &&
           bytes[3] == 'G';
}

struct Extracted {
    bool ok = false;
    std::string error;
    RawPage page;
};

Extracted ExtractFirstPage(const std::string& pdf, const ExtractOptions& options = {}) {
    drawnpdf::Document document(pdf);
    Extracted result;
    fz_page* page = document.Page(0);
    if (page == nullptr)
        return result;
    result.ok = ExtractPage(document.Context(), page, 0, options, &result.page, &result.error);
    return result;
}

Extracted Drawn(const drawnpdf::PageDrawing& drawing) {
    return ExtractFirstPage(drawnpdf::Draw(kWidth, kHeight, {drawing}));
}

TEST(PageExtractTest, TextComesWithItsStylesInLinesAndReadingOrder) {
    const Extracted result = Drawn([](cairo_t* cr) {
        drawnpdf::Text(cr, 72, 72, "Plain serif text", "DejaVu Serif 12");
        drawnpdf::Text(cr, 72, 100, "Bold sans words", "DejaVu Sans Bold 12");
        cairo_set_source_rgb(cr, 1, 0, 0);
        drawnpdf::Text(cr, 72, 128, "Red italic words", "DejaVu Serif Italic 10");
        cairo_set_source_rgb(cr, 0, 0, 0);
        drawnpdf::Text(cr, 72, 160, "中文段落，混合 text", "Noto Sans CJK SC 14");
    });
    ASSERT_TRUE(result.ok) << result.error;
    const RawPage& page = result.page;
    EXPECT_DOUBLE_EQ(page.width, kWidth);
    EXPECT_DOUBLE_EQ(page.height, kHeight);
    EXPECT_FALSE(page.image_only);

    struct Expect {
        std::u32string word;
        double size;
        bool bold, italic;
        Rgb color;
        std::string name_start;
    };
    const Expect expects[] = {
        {U"Plain", 12, false, false, {}, "DejaVuSerif"},
        {U"Bold", 12, true, false, {}, "DejaVuSans-Bold"},
        {U"italic", 10, false, true, {255, 0, 0}, "DejaVuSerif-Italic"},
    };
    for (const Expect& e : expects) {
        SCOPED_TRACE(e.name_start);
        const std::vector<RawChar> chars = CharsOf(page, e.word);
        ASSERT_FALSE(chars.empty());
        const FontStyle& style = StyleOf(page, chars.front());
        EXPECT_NEAR(style.size, e.size, 0.1);
        EXPECT_EQ(style.bold, e.bold);
        EXPECT_EQ(style.italic, e.italic);
        EXPECT_EQ(style.color, e.color);
        EXPECT_EQ(style.pdf_name.rfind(e.name_start, 0), 0u) << style.pdf_name;
        EXPECT_EQ(style.family.rfind("DejaVu", 0), 0u) << style.family;
        for (const RawChar& c : chars)
            EXPECT_EQ(c.style, chars.front().style);
    }

    const RawLine* plain = FindLine(page, "Plain serif text");
    ASSERT_NE(plain, nullptr);
    for (std::size_t i = 1; i < plain->chars.size(); ++i)
        EXPECT_LE(plain->chars[i - 1].box.x0, plain->chars[i].box.x0);
    EXPECT_GT(plain->baseline, plain->box.y0);
    EXPECT_LT(plain->baseline, plain->box.y1);
    EXPECT_NEAR(plain->box.x0, 72, 2);

    const std::vector<RawChar> chinese = CharsOf(page, U"中文段落");
    ASSERT_EQ(chinese.size(), 4u);
    EXPECT_NE(StyleOf(page, chinese.front()).family.find("CJK"), std::string::npos);
    // Distinct looks get distinct entries, equal looks share one.
    for (std::size_t i = 0; i < page.styles.size(); ++i) {
        for (std::size_t j = i + 1; j < page.styles.size(); ++j)
            EXPECT_FALSE(page.styles[i] == page.styles[j]);
    }
}

TEST(PageExtractTest, RulesUnderAndThroughWordsDecorateThemAndStayRules) {
    const Extracted result = Drawn([](cairo_t* cr) {
        const std::string font = "DejaVu Serif 12";
        // A word between plain ones, with a rule `offset` points below the baseline.
        const auto decorated = [&](double top, const char* word, double offset) {
            const auto before = drawnpdf::Text(cr, 72, top, "plain ", font);
            const auto middle = drawnpdf::Text(cr, before.right, top, word, font);
            drawnpdf::Text(cr, middle.right, top, " plain", font);
            drawnpdf::Stroke(cr, before.right, middle.baseline + offset, middle.right,
                             middle.baseline + offset, 0.6);
        };
        decorated(72, "underlined", 1.5);
        decorated(110, "struck", -3.5);
        // A table border close under a cell's text runs far past it: not an underline.
        const auto cell = drawnpdf::Text(cr, 72, 150, "cell text", font);
        drawnpdf::Stroke(cr, 60, cell.baseline + 2, 400, cell.baseline + 2, 0.6);
    });
    ASSERT_TRUE(result.ok) << result.error;
    const RawPage& page = result.page;
    EXPECT_EQ(page.rules.size(), 3u);

    const RawLine* underlined = FindLine(page, "underlined");
    ASSERT_NE(underlined, nullptr);
    for (const RawChar& c : CharsOf(page, U"underlined")) {
        EXPECT_TRUE(c.underline);
        EXPECT_FALSE(c.strike);
    }
    EXPECT_FALSE(underlined->chars.front().underline);
    EXPECT_FALSE(underlined->chars.back().underline);

    const RawLine* struck = FindLine(page, "struck");
    ASSERT_NE(struck, nullptr);
    for (const RawChar& c : CharsOf(page, U"struck")) {
        EXPECT_TRUE(c.strike);
        EXPECT_FALSE(c.underline);
    }
    EXPECT_FALSE(struck->chars.front().strike);

    for (const RawChar& c : CharsOf(page, U"cell text"))
        EXPECT_FALSE(c.underline || c.strike);
}

TEST(PageExtractTest, OverprintedTextComesOnceAndBold) {
    const Extracted result = Drawn([](cairo_t* cr) {
        drawnpdf::Text(cr, 72, 72, "Heavy 标题", "Noto Sans CJK SC 12");
        drawnpdf::Text(cr, 72.3, 72, "Heavy 标题", "Noto Sans CJK SC 12");
        drawnpdf::Text(cr, 72, 100, "Regular", "Noto Sans CJK SC 12");
    });
    ASSERT_TRUE(result.ok) << result.error;
    ASSERT_EQ(result.page.lines.size(), 2u);
    EXPECT_EQ(LineText(result.page.lines[0]), "Heavy 标题");
    EXPECT_TRUE(StyleOf(result.page, result.page.lines[0].chars[0]).bold);
    EXPECT_FALSE(StyleOf(result.page, result.page.lines[1].chars[0]).bold);
}

TEST(PageExtractTest, SmallRaisedAndLoweredCharactersAreScripts) {
    const Extracted result = Drawn([](cairo_t* cr) {
        const auto base = drawnpdf::Text(cr, 72, 72, "E = mc", "DejaVu Serif 12");
        drawnpdf::TextOnBaseline(cr, base.right + 0.5, base.baseline - 5, "2", "DejaVu Serif 7");
        const auto water = drawnpdf::Text(cr, 72, 120, "H", "DejaVu Serif 12");
        const auto low = drawnpdf::TextOnBaseline(cr, water.right + 0.5, water.baseline + 2.5, "2",
                                                  "DejaVu Serif 7");
        drawnpdf::TextOnBaseline(cr, low.right + 0.5, water.baseline, "O here", "DejaVu Serif 12");
    });
    ASSERT_TRUE(result.ok) << result.error;
    const RawPage& page = result.page;
    const RawLine* formula = FindLine(page, "E = mc");
    ASSERT_NE(formula, nullptr);
    ASSERT_EQ(LineText(*formula), "E = mc2");
    EXPECT_EQ(formula->chars.back().shift, VerticalShift::kSuperscript);
    EXPECT_EQ(formula->chars.front().shift, VerticalShift::kNone);

    const RawLine* water = FindLine(page, "H2O");
    ASSERT_NE(water, nullptr);
    EXPECT_EQ(water->chars[0].shift, VerticalShift::kNone);
    EXPECT_EQ(water->chars[1].shift, VerticalShift::kSubscript);
    EXPECT_EQ(water->chars[2].shift, VerticalShift::kNone);
}

TEST(PageExtractTest, StrokedAndFilledRectanglesBecomeRulesAndFills) {
    const Extracted result = Drawn([](cairo_t* cr) {
        cairo_set_source_rgb(cr, 1, 1, 1);
        cairo_paint(cr);  // a white page background is no fill
        cairo_set_source_rgb(cr, 0.8, 0.9, 1.0);
        cairo_rectangle(cr, 100, 100, 150, 40);  // shading of the first cell
        cairo_fill(cr);
        cairo_set_source_rgb(cr, 0, 0, 0);
        for (double y : {100.0, 140.0, 180.0})
            drawnpdf::Stroke(cr, 100, y, 400, y, 1);
        for (double x : {100.0, 250.0, 400.0})
            drawnpdf::Stroke(cr, x, 100, x, 180, 1);
        cairo_set_source_rgb(cr, 0, 0.5, 0);
        cairo_rectangle(cr, 100, 300, 300, 0.8);  // a separator drawn as a thin fill
        cairo_fill(cr);
        cairo_rectangle(cr, 100, 400, 50, 50);  // an outlined box: four rules
        cairo_set_line_width(cr, 2);
        cairo_stroke(cr);
    });
    ASSERT_TRUE(result.ok) << result.error;
    const RawPage& page = result.page;
    ASSERT_EQ(page.fills.size(), 1u);
    EXPECT_NEAR(page.fills[0].box.x0, 100, 0.1);
    EXPECT_NEAR(page.fills[0].box.y1, 140, 0.1);
    EXPECT_EQ(page.fills[0].color, (Rgb{204, 230, 255}));

    const auto count = [&](bool horizontal, double thickness, Rgb color) {
        return std::count_if(page.rules.begin(), page.rules.end(), [&](const RawRule& r) {
            return r.horizontal == horizontal && std::abs(r.thickness - thickness) < 0.05 &&
                   r.color == color;
        });
    };
    EXPECT_EQ(count(true, 1, {}), 3);
    EXPECT_EQ(count(false, 1, {}), 3);
    EXPECT_EQ(count(true, 0.8, {0, 128, 0}), 1);
    EXPECT_EQ(count(true, 2, {0, 128, 0}), 2);
    EXPECT_EQ(count(false, 2, {0, 128, 0}), 2);
    EXPECT_EQ(page.rules.size(), 11u);
    const auto top = std::find_if(page.rules.begin(), page.rules.end(), [](const RawRule& r) {
        return r.horizontal && std::abs(r.box.CenterY() - 100) < 0.1;
    });
    ASSERT_NE(top, page.rules.end());
    EXPECT_NEAR(top->box.x0, 100, 0.1);
    EXPECT_NEAR(top->box.x1, 400, 0.1);
    EXPECT_TRUE(page.graphics.empty());
}

TEST(PageExtractTest, ImagesKeepJpegBytesAndOtherPicturesBecomePng) {
    const Extracted result = Drawn([](cairo_t* cr) {
        cairo_surface_t* jpeg = drawnpdf::JpegSurface();
        cairo_surface_t* plain = drawnpdf::PlainSurface();
        drawnpdf::Picture(cr, jpeg, 72, 300, 160, 120);
        drawnpdf::Picture(cr, plain, 300, 300, 80, 60);
        drawnpdf::Picture(cr, plain, 300, 500, 2, 2);  // a dot
        cairo_surface_destroy(jpeg);
        cairo_surface_destroy(plain);
    });
    ASSERT_TRUE(result.ok) << result.error;
    const RawPage& page = result.page;
    ASSERT_EQ(page.images.size(), 2u);
    EXPECT_TRUE(page.image_only);
    const RawImage& jpeg = page.images[0];
    EXPECT_EQ(jpeg.mime, "image/jpeg");
    EXPECT_EQ(jpeg.bytes, drawnpdf::SmallJpeg());
    EXPECT_NEAR(jpeg.box.x0, 72, 0.1);
    EXPECT_NEAR(jpeg.box.y0, 300, 0.1);
    EXPECT_NEAR(jpeg.box.x1, 232, 0.1);
    EXPECT_NEAR(jpeg.box.y1, 420, 0.1);
    const RawImage& png = page.images[1];
    EXPECT_EQ(png.mime, "image/png");
    EXPECT_TRUE(IsPng(png.bytes));
    EXPECT_EQ(png.pixel_width, 16);
    EXPECT_EQ(png.pixel_height, 12);
    EXPECT_NEAR(png.box.x1, 380, 0.1);
}

TEST(PageExtractTest, WebLinksMarkTheCharactersTheyCover) {
    const Extracted result = Drawn([](cairo_t* cr) {
        const auto before = drawnpdf::Text(cr, 72, 72, "Visit ", "DejaVu Serif 12");
        cairo_tag_begin(cr, CAIRO_TAG_LINK, "uri='https://example.org/docs'");
        drawnpdf::Text(cr, before.right, 72, "our site", "DejaVu Serif 12");
        cairo_tag_end(cr, CAIRO_TAG_LINK);
        cairo_tag_begin(cr, CAIRO_TAG_LINK, "dest='nowhere'");
        drawnpdf::Text(cr, 72, 120, "internal", "DejaVu Serif 12");
        cairo_tag_end(cr, CAIRO_TAG_LINK);
    });
    ASSERT_TRUE(result.ok) << result.error;
    const RawPage& page = result.page;
    ASSERT_EQ(page.links.size(), 1u);
    EXPECT_EQ(page.links[0].uri, "https://example.org/docs");
    for (const RawChar& c : CharsOf(page, U"site"))
        EXPECT_EQ(c.link, 0);
    for (const RawChar& c : CharsOf(page, U"Visit"))
        EXPECT_EQ(c.link, -1);
    for (const RawChar& c : CharsOf(page, U"internal"))
        EXPECT_EQ(c.link, -1);
}

// True when every pixel of the PNG inside the box (in its own pixels) is fully transparent.
bool TransparentIn(const std::vector<unsigned char>& png, int x0, int y0, int x1, int y1) {
    auto context = quiremupdf::MupdfContext::Create();
    fz_context* ctx = context->Get();
    fz_buffer* buffer = fz_new_buffer_from_copied_data(ctx, png.data(), png.size());
    fz_image* image = fz_new_image_from_buffer(ctx, buffer);
    fz_pixmap* pixmap = fz_get_pixmap_from_image(ctx, image, nullptr, nullptr, nullptr, nullptr);
    bool transparent = pixmap->alpha != 0;
    for (int y = std::max(y0, 0); transparent && y < std::min(y1, pixmap->h); ++y) {
        for (int x = std::max(x0, 0); x < std::min(x1, pixmap->w); ++x) {
            const unsigned char* pixel = pixmap->samples + y * pixmap->stride + x * pixmap->n;
            transparent = transparent && pixel[pixmap->n - 1] == 0;
        }
    }
    fz_drop_pixmap(ctx, pixmap);
    fz_drop_image(ctx, image);
    fz_drop_buffer(ctx, buffer);
    return transparent;
}

TEST(PageExtractTest, DiagramsRenderAsOnePictureWithoutTheirText) {
    const Extracted result = Drawn([](cairo_t* cr) {
        cairo_set_line_width(cr, 1.5);
        cairo_arc(cr, 150, 200, 40, 0, 2 * M_PI);  // a circle
        cairo_stroke(cr);
        cairo_move_to(cr, 190, 200);  // a slanted connector touching it
        cairo_line_to(cr, 300, 260);
        cairo_stroke(cr);
        cairo_move_to(cr, 300, 260);  // a filled triangle at its end
        cairo_line_to(cr, 320, 250);
        cairo_line_to(cr, 320, 270);
        cairo_close_path(cr);
        cairo_fill(cr);
        drawnpdf::Text(cr, 200, 170, "label", "DejaVu Sans 10");  // inside the diagram's box
        drawnpdf::Text(cr, 72, 600, "Body text far away", "DejaVu Serif 12");
        cairo_arc(cr, 450, 700, 20, 0, 2 * M_PI);  // another drawing, apart
        cairo_fill(cr);
    });
    ASSERT_TRUE(result.ok) << result.error;
    const RawPage& page = result.page;
    EXPECT_FALSE(page.image_only);
    EXPECT_TRUE(page.rules.empty());
    ASSERT_EQ(page.graphics.size(), 2u);
    const RawGraphic& diagram =
        page.graphics[0].box.x0 < page.graphics[1].box.x0 ? page.graphics[0] : page.graphics[1];
    EXPECT_LE(diagram.box.x0, 110);
    EXPECT_LE(diagram.box.y0, 160);
    EXPECT_GE(diagram.box.x1, 320);
    EXPECT_GE(diagram.box.y1, 270);
    EXPECT_LE(diagram.box.x1, 330);
    EXPECT_TRUE(IsPng(diagram.png));
    EXPECT_NEAR(diagram.pixel_width, diagram.box.Width() * 150 / 72, 2);
    EXPECT_NEAR(diagram.pixel_height, diagram.box.Height() * 150 / 72, 2);

    // The label's text stays text: the picture shows nothing where it is.
    const RawLine* label = FindLine(page, "label");
    ASSERT_NE(label, nullptr);
    const double scale = diagram.pixel_width / diagram.box.Width();
    const auto pixel_x = [&](double x) { return int((x - diagram.box.x0) * scale); };
    const auto pixel_y = [&](double y) { return int((y - diagram.box.y0) * scale); };
    EXPECT_TRUE(TransparentIn(diagram.png, pixel_x(label->box.x0), pixel_y(label->box.y0),
                              pixel_x(label->box.x1), pixel_y(label->box.y1)));
    // ... and the circle is in it.
    EXPECT_FALSE(
        TransparentIn(diagram.png, pixel_x(108), pixel_y(195), pixel_x(112), pixel_y(205)));
}

TEST(PageExtractTest, RotatedPagesComeInTheFrameTheReaderSees) {
    const std::string pdf = testdocs::BuildPdf(
        {{"BT /F1 12 Tf 72 720 Td (Turned) Tj ET 1 w 72 700 m 300 700 l S", "/Rotate 90"}});
    const Extracted result = ExtractFirstPage(pdf);
    ASSERT_TRUE(result.ok) << result.error;
    const RawPage& page = result.page;
    EXPECT_DOUBLE_EQ(page.width, 842);
    EXPECT_DOUBLE_EQ(page.height, 595);
    ASSERT_EQ(page.rules.size(), 1u);
    EXPECT_FALSE(page.rules[0].horizontal);
    // Turned clockwise: PDF y 700 is 700 points from the reader's left edge.
    EXPECT_NEAR(page.rules[0].box.CenterX(), 700, 0.1);
    EXPECT_NEAR(page.rules[0].box.y0, 72, 0.1);
    EXPECT_NEAR(page.rules[0].box.y1, 300, 0.1);
    const RawLine* line = FindLine(page, "Turned");
    ASSERT_NE(line, nullptr);
    EXPECT_GT(line->box.x0, 700);
    EXPECT_NEAR(line->box.y0, 72, 1);
}

TEST(PageExtractTest, ScansAreImageOnlyUnlessTheyCarryAnInvisibleTextLayer) {
    const std::string scan = "q 595 0 0 842 0 0 cm /Im1 Do Q";
    const std::string pdf = testdocs::BuildPdf(
        {{scan, ""}, {"BT 3 Tr /F1 12 Tf 72 720 Td (Hidden words) Tj ET " + scan, ""}});
    drawnpdf::Document document(pdf);
    RawPage page;
    std::string error;
    ASSERT_TRUE(ExtractPage(document.Context(), document.Page(0), 0, {}, &page, &error)) << error;
    EXPECT_TRUE(page.image_only);
    EXPECT_TRUE(page.lines.empty());
    ASSERT_EQ(page.images.size(), 1u);

    ASSERT_TRUE(ExtractPage(document.Context(), document.Page(1), 1, {}, &page, &error)) << error;
    EXPECT_EQ(page.index, 1);
    EXPECT_FALSE(page.image_only);
    EXPECT_NE(FindLine(page, "Hidden"), nullptr);
}

TEST(PageExtractTest, PagePictureIsTheScanItselfOrTheRenderedPage) {
    const std::string pdf =
        drawnpdf::Draw(400, 300,
                       {
                           [](cairo_t* cr) {
                               cairo_surface_t* jpeg = drawnpdf::JpegSurface();
                               drawnpdf::Picture(cr, jpeg, 0, 0, 400, 300);
                               cairo_surface_destroy(jpeg);
                           },
                           [](cairo_t* cr) {
                               cairo_surface_t* jpeg = drawnpdf::JpegSurface();
                               drawnpdf::Picture(cr, jpeg, 50, 50, 100, 75);
                               cairo_surface_destroy(jpeg);
                               drawnpdf::Text(cr, 200, 50, "and text", "DejaVu Serif 12");
                           },
                       });
    drawnpdf::Document document(pdf);
    RawImage picture;
    std::string error;
    ASSERT_TRUE(RenderPagePicture(document.Context(), document.Page(0), 100, &picture, &error))
        << error;
    EXPECT_EQ(picture.mime, "image/jpeg");
    EXPECT_EQ(picture.bytes, drawnpdf::SmallJpeg());
    EXPECT_NEAR(picture.box.Width(), 400, 0.1);

    ASSERT_TRUE(RenderPagePicture(document.Context(), document.Page(1), 144, &picture, &error))
        << error;
    EXPECT_EQ(picture.mime, "image/png");
    EXPECT_TRUE(IsPng(picture.bytes));
    EXPECT_EQ(picture.pixel_width, 800);
    EXPECT_EQ(picture.pixel_height, 600);
    EXPECT_EQ(picture.box, (Rect{0, 0, 400, 300}));
}

TEST(PageExtractTest, APageOfCountlessPathsStaysBounded) {
    std::string content = "0.5 w\n";
    for (int i = 0; i < 25000; ++i) {
        const int y = 40 + i % 760;
        content += "72 " + std::to_string(y) + " m 500 " + std::to_string(y) + " l S\n";
    }
    for (int i = 0; i < 6000; ++i) {  // scattered little curves, far enough apart to stay apart
        const int x = 20 + (i % 60) * 9;
        const int y = 20 + (i / 60) * 8;
        content += std::to_string(x) + " " + std::to_string(y) + " m " + std::to_string(x + 1) +
                   " " + std::to_string(y + 2) + " " + std::to_string(x + 2) + " " +
                   std::to_string(y + 2) + " " + std::to_string(x + 2) + " " + std::to_string(y) +
                   " c f\n";
    }
    const Extracted result = ExtractFirstPage(testdocs::BuildPdf({{content, ""}}));
    ASSERT_TRUE(result.ok) << result.error;
    EXPECT_EQ(result.page.rules.size(), 20000u);
    EXPECT_GE(result.page.graphics.size(), 1u);
    EXPECT_LE(result.page.graphics.size(), 32u);
}

TEST(PageExtractTest, CancellationAndMissingPagesFailWithAReason) {
    const std::string pdf = drawnpdf::Draw(
        kWidth, kHeight,
        {[](cairo_t* cr) { drawnpdf::Text(cr, 72, 72, "text", "DejaVu Serif 12"); }});
    drawnpdf::Document document(pdf);
    ExtractOptions options;
    options.cancelled = [] { return true; };
    RawPage page;
    std::string error;
    EXPECT_FALSE(ExtractPage(document.Context(), document.Page(0), 0, options, &page, &error));
    EXPECT_EQ(error, "cancelled");
    EXPECT_FALSE(ExtractPage(document.Context(), nullptr, 0, {}, &page, &error));
    EXPECT_FALSE(error.empty());
}

}  // namespace
}  // namespace reconstruct
