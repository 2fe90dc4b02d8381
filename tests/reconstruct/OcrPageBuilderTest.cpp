#include <gtest/gtest.h>

#include <string>
#include <variant>
#include <vector>

#include "platform/Utf8Append.h"
#include "reconstruct/OcrPageBuilder.h"
#include "reconstruct/OcrPlainText.h"
#include "reconstruct/OcrRules.h"
#include "reconstruct/OcrText.h"
#include "reconstruct/TextRuns.h"

namespace reconstruct {
namespace {

constexpr double kScale = 72.0 / 300;  // points per pixel at 300 dpi

// A recognised line whose words stand `gap` pixels apart, each character `advance` wide.
OcrLine Line(double x, double top, double size, const std::vector<std::string>& words,
             double advance, double gap) {
    OcrLine line;
    line.baseline = top + 0.85 * size;
    line.font_pixels = size;
    for (const std::string& text : words) {
        OcrWord word;
        word.text = text;
        word.confidence = 90;
        for (char32_t code : DecodeUtf8(text)) {
            OcrGlyph glyph;
            platform::AppendUtf8(code, &glyph.text);
            glyph.box = {x, top, x + advance, top + size};
            word.glyphs.push_back(glyph);
            word.box = word.box.United(glyph.box);
            x += advance;
        }
        line.words.push_back(word);
        line.box = line.box.United(word.box);
        x += gap;
    }
    return line;
}

OcrPageFrame Frame(int width_pixels, int height_pixels) {
    return {3, width_pixels * kScale, height_pixels * kScale, kScale};
}

std::string LineString(const RawLine& line) {
    std::string text;
    for (const RawChar& c : line.chars)
        platform::AppendUtf8(c.code, &text);
    return text;
}

TEST(OcrPageBuilderTest, LinesBecomeTextAtTheirPlacesInPoints) {
    OcrResult result;
    result.lines.push_back(Line(100, 100, 40, {"文档", "转换"}, 40, 2));
    result.lines.push_back(Line(100, 200, 38, {"Quire", "converts"}, 20, 18));
    result.lines.push_back(Line(100, 300, 80, {"Title"}, 40, 0));
    const RawPage raw = OcrRawPage(result, OcrPicture(), Frame(2480, 3508));

    EXPECT_EQ(raw.index, 3);
    EXPECT_NEAR(raw.width, 595.2, 0.01);
    ASSERT_EQ(raw.lines.size(), 3u);
    EXPECT_EQ(LineString(raw.lines[0]), "文档转换");
    EXPECT_EQ(LineString(raw.lines[1]), "Quire converts");
    const RawChar& first = raw.lines[0].chars.front();
    EXPECT_NEAR(first.box.x0, 100 * kScale, 1e-9);
    EXPECT_NEAR(raw.lines[0].baseline, 134 * kScale, 1e-9);
    EXPECT_LT(first.box.y0, raw.lines[0].baseline);
    // The space spans the gap between the words.
    const RawChar& space = raw.lines[1].chars[5];
    EXPECT_EQ(space.code, U' ');
    EXPECT_NEAR(space.box.x0, 200 * kScale, 1e-9);
    EXPECT_NEAR(space.box.x1, 218 * kScale, 1e-9);

    const FontStyle& chinese = raw.styles[first.style];
    const FontStyle& latin = raw.styles[raw.lines[1].chars.front().style];
    const FontStyle& title = raw.styles[raw.lines[2].chars.front().style];
    EXPECT_NE(chinese.family.find("CJK"), std::string::npos) << chinese.family;
    EXPECT_EQ(latin.family.find("CJK"), std::string::npos) << latin.family;
    // 40 and 38 pixels are one size measured twice; 80 pixels is a heading.
    EXPECT_DOUBLE_EQ(chinese.size, latin.size);
    EXPECT_DOUBLE_EQ(chinese.size, 9);
    EXPECT_DOUBLE_EQ(title.size, 19);
}

TEST(OcrPageBuilderTest, ThePageIsLaidOutWithoutItsPicture) {
    OcrResult result;
    result.lines.push_back(Line(200, 200, 40, {"Quire", "converts", "documents"}, 22, 18));
    result.lines.push_back(Line(200, 260, 40, {"文档", "转换", "测试"}, 40, 1));
    result.lines.push_back(Line(200, 900, 40, {"第二段"}, 40, 0));
    const Page page = BuildOcrPage(result, OcrPicture(), Frame(2480, 3508));

    EXPECT_EQ(page.index, 3);
    EXPECT_FALSE(page.page_image.has_value());
    std::vector<std::string> paragraphs;
    for (const Region& region : page.regions) {
        for (const Block& block : region.blocks) {
            ASSERT_TRUE(std::holds_alternative<Paragraph>(block));
            paragraphs.push_back(TextOf(std::get<Paragraph>(block).runs));
        }
    }
    // Lines of one paragraph join as the layout joins any text: no space before CJK text.
    EXPECT_EQ(paragraphs,
              (std::vector<std::string>{"Quire converts documents文档转换测试", "第二段"}));
    EXPECT_EQ(PlainTextOf(page), "Quire converts documents文档转换测试\n第二段\n");
}

// A 2 x 2 grid of 2-pixel rules from (100, 100) to (500, 300), a dash too short to be a rule, a
// bar too thick to be one, and a rule inside the area (90..510, 370..390) of a figure.
OcrPicture GridPicture() {
    const int width = 600;
    const int height = 400;
    std::vector<unsigned char> grey(width * height, 255);
    const auto fill = [&](int x0, int y0, int x1, int y1) {
        for (int y = y0; y < y1; ++y)
            std::fill(grey.begin() + y * width + x0, grey.begin() + y * width + x1, 0);
    };
    for (int i = 0; i < 3; ++i) {
        fill(100, 100 + 100 * i, 502, 102 + 100 * i);
        fill(100 + 200 * i, 100, 102 + 200 * i, 302);
    }
    fill(100, 350, 150, 352);
    fill(100, 20, 500, 60);
    fill(100, 380, 500, 382);
    return OcrPicture::FromPixels(grey.data(), width, height, width, 1, 300);
}

TEST(OcrPageBuilderTest, ARuledGridOfTheScanIsATable) {
    const OcrPicture picture = GridPicture();
    const std::vector<Rect> figures{{90, 370, 510, 390}};
    const std::vector<PictureRule> rules = FindPictureRules(picture, figures);
    ASSERT_EQ(rules.size(), 6u);
    for (const PictureRule& rule : rules) {
        EXPECT_EQ(rule.horizontal ? rule.box.Height() : rule.box.Width(), 2);
        EXPECT_EQ(rule.horizontal ? rule.box.Width() : rule.box.Height(),
                  rule.horizontal ? 402 : 202);
    }

    OcrResult result;
    result.lines.push_back(Line(130, 130, 40, {"A1", "B1"}, 20, 160));
    result.lines.push_back(Line(130, 230, 40, {"A2", "B2"}, 20, 160));
    const Page page = BuildOcrPage(result, picture, Frame(600, 400));
    ASSERT_EQ(page.regions.size(), 1u);
    ASSERT_EQ(page.regions[0].blocks.size(), 1u);
    const auto* table = std::get_if<Table>(&page.regions[0].blocks[0]);
    ASSERT_NE(table, nullptr);
    std::vector<std::string> cells;
    for (const Cell& cell : table->cells)
        cells.push_back(TextOf(cell.paragraphs.at(0).runs));
    EXPECT_EQ(cells, (std::vector<std::string>{"A1", "B1", "A2", "B2"}));
    EXPECT_EQ(PlainTextOf(page), "A1\tB1\nA2\tB2\n");
}

TEST(OcrPageBuilderTest, APicturePageIsThePictureEdgeToEdge) {
    Image picture;
    picture.mime = "image/jpeg";
    picture.bytes = {0xFF, 0xD8, 0xFF};
    const Page page = PicturePage(Frame(1200, 1600), picture);
    ASSERT_TRUE(page.page_image.has_value());
    EXPECT_EQ(page.page_image->box, (Rect{0, 0, 288, 384}));
    EXPECT_EQ(page.margins.left, 0);
    EXPECT_TRUE(page.regions.empty());
    EXPECT_EQ(PlainTextOf(page), "");
}

TEST(OcrPlainTextTest, TablesGiveOneLinePerRowAndListsKeepTheirMarkers) {
    auto paragraph = [](const std::string& text, const std::string& marker = "") {
        Paragraph p;
        TextRun run;
        run.text = text;
        p.runs.push_back(run);
        p.list_marker = marker;
        return p;
    };
    Table table;
    for (int row = 0; row < 2; ++row) {
        for (int column = 0; column < 2; ++column) {
            Cell cell;
            cell.row = row;
            cell.column = column;
            cell.paragraphs.push_back(
                paragraph("r" + std::to_string(row) + "c" + std::to_string(column)));
            table.cells.push_back(cell);
        }
    }
    Page page;
    page.regions.push_back({1, 0, {paragraph("Intro"), table, paragraph("one", "1.")}});
    page.regions.push_back({2, 20, {paragraph("left"), Image{}, paragraph("right")}});
    EXPECT_EQ(PlainTextOf(page), "Intro\nr0c0\tr0c1\nr1c0\tr1c1\n1. one\nleft\nright\n");
}

}  // namespace
}  // namespace reconstruct
