#include <gtest/gtest.h>
#include <pango/pangocairo.h>

#include <cstdlib>

#include "BkSkinTestImages.h"
#include "bkwin/BkFontPool.h"
#include "bkwin/BkText.h"

namespace BkWin {
namespace {

using bkwin_test::InkBounds;
using bkwin_test::NewSurface;

constexpr std::string_view kDone = "转换完成";
constexpr Colour kBlack{0, 0, 0};

class BkTextTest : public ::testing::Test {
protected:
    void SetUp() override {
        BkFontPool::Clear();
        BkFontPool::SetBaseFont("微软雅黑", -12);
    }
    void TearDown() override { BkFontPool::Clear(); }

    // Where the ink of `text` lands in a 200×60 surface drawn with `mode`.
    static platform::Rect InkOf(std::string_view text, unsigned mode, std::uint16_t font = 0x0400) {
        bkwin_test::Surface surface = NewSurface(200, 60);
        cairo_t* cr = cairo_create(surface.get());
        BkText::Draw(cr, text, {0, 0, 200, 60}, BkFontPool::GetFont(font, false), kBlack, mode);
        cairo_destroy(cr);
        return InkBounds(surface.get());
    }
};

TEST_F(BkTextTest, ChineseTextHasGlyphs) {
    bkwin_test::Surface surface = NewSurface(10, 10);
    cairo_t* cr = cairo_create(surface.get());
    PangoLayout* layout = pango_cairo_create_layout(cr);
    pango_layout_set_font_description(layout, BkFontPool::GetFont(0, false).description);
    pango_layout_set_text(layout, kDone.data(), static_cast<int>(kDone.size()));
    EXPECT_EQ(pango_layout_get_unknown_glyphs_count(layout), 0);
    g_object_unref(layout);
    cairo_destroy(cr);
    EXPECT_FALSE(InkOf(kDone, 0x24).IsEmpty());
    // Broken UTF-8 still shows the readable part.
    EXPECT_FALSE(InkOf("ab\xff\xfe", 0x24).IsEmpty());
}

TEST_F(BkTextTest, Mode25CentresBothWays) {
    const platform::Rect ink = InkOf(kDone, 0x25);
    ASSERT_FALSE(ink.IsEmpty());
    EXPECT_LE(std::abs((ink.left + ink.right) - 200), 4) << ink.left << ".." << ink.right;
    EXPECT_LE(std::abs((ink.top + ink.bottom) - 60), 6) << ink.top << ".." << ink.bottom;
    // The width matches what Measure reports.
    const platform::Size size = BkText::Measure(kDone, BkFontPool::GetFont(0x0400, false), 0x25);
    EXPECT_NEAR(ink.Width(), size.width, 3);
}

TEST_F(BkTextTest, LeftRightAndBottomPlacement) {
    const platform::Rect left = InkOf(kDone, 0x20);
    EXPECT_LE(left.left, 2);
    EXPECT_LE(left.top, 12);
    const platform::Rect right = InkOf(kDone, 0x22 | 0x08);
    EXPECT_GE(right.right, 197);
    EXPECT_GE(right.bottom, 52);
}

TEST_F(BkTextTest, WordBreakWrapsAndEllipsisShortens) {
    const BkFont& font = BkFontPool::GetFont(0, false);
    const std::string text = "转换完成转换完成转换完成转换完成";
    const platform::Size one_line = BkText::Measure(text, font, 0x20);
    const platform::Size wrapped = BkText::Measure(text, font, 0x10, one_line.width / 3);
    EXPECT_LE(wrapped.width, one_line.width / 3);
    EXPECT_GE(wrapped.height, 3 * one_line.height);
    // Single-line mode ignores the wrap width and never breaks at newlines.
    EXPECT_EQ(BkText::Measure(text, font, 0x30, one_line.width / 3).height, one_line.height);
    EXPECT_EQ(BkText::Measure("a\nb", font, 0x20).height, BkText::Measure("ab", font, 0).height);
    EXPECT_GT(BkText::Measure("a\nb", font, 0).height, BkText::Measure("ab", font, 0).height);

    bkwin_test::Surface surface = NewSurface(200, 60);
    cairo_t* cr = cairo_create(surface.get());
    BkText::Draw(cr, text, {0, 0, 60, 60}, font, kBlack, 0x20 | 0x8000);
    cairo_destroy(cr);
    const platform::Rect ink = InkBounds(surface.get());
    EXPECT_LE(ink.right, 60);
    EXPECT_GT(ink.right, 40);
}

TEST_F(BkTextTest, ColourAlphaAndUnderline) {
    bkwin_test::Surface surface = NewSurface(200, 60);
    cairo_t* cr = cairo_create(surface.get());
    BkText::Draw(cr, "——————", {0, 0, 200, 60}, BkFontPool::GetFont(0x0400, false),
                 Colour{255, 0, 0}, 0x25, 128);
    cairo_destroy(cr);
    std::uint32_t strongest = 0;
    for (int y = 0; y < 60; ++y) {
        for (int x = 0; x < 200; ++x)
            strongest = std::max(strongest, bkwin_test::PixelAt(surface.get(), x, y) >> 24);
    }
    EXPECT_NEAR(static_cast<int>(strongest), 128, 2);

    const platform::Rect plain = InkOf("ab", 0x20, 0x0400);
    const platform::Rect underlined = InkOf("ab", 0x20, 0x0402);
    EXPECT_GT(underlined.bottom, plain.bottom);
}

}  // namespace
}  // namespace BkWin
