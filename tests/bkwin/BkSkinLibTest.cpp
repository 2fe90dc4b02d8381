#include <gtest/gtest.h>

#include "BkSkinTestImages.h"
#include "bkwin/BkDpi.h"
#include "bkwin/BkFontPool.h"
#include "bkwin/BkLib.h"
#include "bkwin/BkPngPool.h"
#include "bkwin/BkResource.h"
#include "bkwin/BkSkin.h"
#include "bkwin/BkString.h"
#include "bkwin/BkStyle.h"

namespace BkWin {
namespace {

// Start-up against the program's own resources.
class BkSkinLibTest : public ::testing::Test {
protected:
    void SetUp() override {
        folder_ = bkwin_test::TempFolder("lib");
        BkResource::SetOverrideFolder(folder_ / "no-overrides");
        BkDpi::SetProgramForTesting(folder_, "quiretest");
        BkDpi::ResetForTesting();
        ClearAll();
    }
    void TearDown() override {
        ClearAll();
        BkDpi::ResetForTesting();
        BkResource::SetOverrideFolder({});
        std::filesystem::remove_all(folder_);
    }
    static void ClearAll() {
        BkSkin::Clear();
        BkStyle::Clear();
        BkString::Clear();
        BkFontPool::Clear();
        BkPngPool::Clear();
    }

    std::filesystem::path folder_;
};

TEST_F(BkSkinLibTest, FillsEveryRegistryFromTheBuiltInResources) {
    ASSERT_TRUE(InitBkLib(0));
    EXPECT_EQ(BkString::Get(1), "微软雅黑");
    EXPECT_EQ(BkFontPool::BaseFace(), BkString::Get(1));

    const CBkSkinBase* close = BkSkin::GetSkin("btn_close");
    ASSERT_NE(close, nullptr);
    EXPECT_EQ(close->GetSkinSize().width, 28);
    ASSERT_GT(close->GetSkinSize().height, 0);

    const BkStyle* title = BkStyle::GetStyle("title_text");
    ASSERT_NE(title, nullptr);
    EXPECT_EQ(title->font, 0x0400);
    EXPECT_EQ(title->text_mode, 0x24u);

    bkwin_test::Surface surface = bkwin_test::NewSurface(60, 60);
    cairo_t* cr = cairo_create(surface.get());
    close->Draw(cr, {0, 0, 60, 60}, 1, false);
    cairo_destroy(cr);
    const platform::Rect ink = bkwin_test::InkBounds(surface.get());
    EXPECT_FALSE(ink.IsEmpty());
    EXPECT_LE(ink.right, 28);
}

}  // namespace
}  // namespace BkWin
