#include <gtest/gtest.h>

#include <fstream>

#include "BkSkinTestImages.h"
#include "bkwin/BkDpi.h"
#include "bkwin/BkFontPool.h"

namespace BkWin {
namespace {

class BkFontTest : public ::testing::Test {
protected:
    void SetUp() override {
        folder_ = bkwin_test::TempFolder("font");
        BkDpi::SetProgramForTesting(folder_, "quiretest");
        BkDpi::ResetForTesting();
        BkFontPool::Clear();
        BkFontPool::SetBaseFont("微软雅黑", -12);
    }
    void TearDown() override {
        BkFontPool::Clear();
        BkDpi::ResetForTesting();
        std::filesystem::remove_all(folder_);
    }

    static int AbsoluteSize(const BkFont& font) {
        EXPECT_TRUE(pango_font_description_get_size_is_absolute(font.description));
        return pango_font_description_get_size(font.description) / PANGO_SCALE;
    }

    std::filesystem::path folder_;
};

TEST_F(BkFontTest, CodesGiveStyleBitsAndPixelHeights) {
    const BkFont& bold = BkFontPool::GetFont(0x0204, false);
    EXPECT_EQ(bold.pixel_height, 14);
    EXPECT_EQ(AbsoluteSize(bold), 14);
    EXPECT_EQ(pango_font_description_get_weight(bold.description), 700);
    EXPECT_EQ(pango_font_description_get_style(bold.description), PANGO_STYLE_NORMAL);
    EXPECT_FALSE(bold.underline);

    const BkFont& italic = BkFontPool::GetFont(0x0001, false);
    EXPECT_EQ(AbsoluteSize(italic), 12);
    EXPECT_EQ(pango_font_description_get_weight(italic.description), 400);
    EXPECT_EQ(pango_font_description_get_style(italic.description), PANGO_STYLE_ITALIC);

    EXPECT_EQ(AbsoluteSize(BkFontPool::GetFont(0x0400, false)), 16);
    EXPECT_TRUE(BkFontPool::GetFont(0x0002, false).underline);
    // The high byte is signed: 0xFE shrinks.
    EXPECT_EQ(AbsoluteSize(BkFontPool::GetFont(0xFE00, false)), 10);
}

TEST_F(BkFontTest, FontsAreKeptPerCodeAndDpiFlag) {
    const std::filesystem::path ini = folder_ / "ressrc" / "chs" / "dpisetting.ini";
    std::filesystem::create_directories(ini.parent_path());
    std::ofstream(ini) << "[basesetting]\nswitch=1\n";
    BkDpi::ResetForTesting();
    BkDpi::SetScreenDpi(144);

    const BkFont& plain = BkFontPool::GetFont(0x0200, false);
    const BkFont& scaled = BkFontPool::GetFont(0x0200, true);
    EXPECT_EQ(&plain, &BkFontPool::GetFont(0x0200, false));
    EXPECT_NE(&plain, &scaled);
    EXPECT_EQ(AbsoluteSize(plain), 14);
    EXPECT_EQ(AbsoluteSize(scaled), 21);
}

TEST_F(BkFontTest, WindowsFacesMapToInstalledChineseFamilies) {
    EXPECT_EQ(BkFontPool::InstalledFamily("微软雅黑"), "Noto Sans CJK SC");
    EXPECT_EQ(BkFontPool::InstalledFamily("Microsoft YaHei"), "Noto Sans CJK SC");
    const std::string serif = BkFontPool::InstalledFamily("宋体");
    EXPECT_TRUE(serif == "Noto Serif CJK SC" || serif.starts_with("AR PL UMing")) << serif;
    EXPECT_EQ(BkFontPool::InstalledFamily("SimSun"), serif);
    EXPECT_EQ(BkFontPool::ChooseBaseFace(), "微软雅黑");
    EXPECT_STREQ(pango_font_description_get_family(BkFontPool::GetFont(0, false).description),
                 "Noto Sans CJK SC");
}

}  // namespace
}  // namespace BkWin
