#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <memory>

#include "BkViewTestSupport.h"
#include "bkwin/BkDialog.h"
#include "bkwin/BkDpi.h"
#include "bkwin/BkPosition.h"
#include "bkwin/BkStyle.h"

namespace BkWin {
namespace {

using platform::Rect;

const auto kIdentity = [](int value) { return value; };

Rect Resolve(const char* pos, Rect parent = {0, 0, 400, 300}, platform::Size content = {30, 20}) {
    return BkPosition::Parse(pos)
        .Resolve(parent, content, kIdentity)
        .value_or(Rect{-1, -1, -1, -1});
}

TEST(BkPositionTest, EdgesCentreAndExtentsResolveInsideTheParent) {
    // Two items: placed at the content size, here 27 back from the right edge.
    EXPECT_EQ(Resolve("-27,8"), (Rect{373, 8, 403, 28}));
    EXPECT_EQ(Resolve("105,15,-20,78"), (Rect{105, 15, 380, 78}));
    EXPECT_EQ(Resolve("0,-70,-0,-0"), (Rect{0, 230, 400, 300}));
    EXPECT_EQ(Resolve("|-10,|5,w20,h30"), (Rect{190, 155, 210, 185}));
    EXPECT_EQ(Resolve("10,10,-10,-10", {100, 50, 300, 250}), (Rect{110, 60, 290, 240}));
}

TEST(BkPositionTest, OnlyTwoOrFourItemsPlace) {
    for (const char* pos : {"", "5", "1,2,3", "1,2,3,4,5"}) {
        const BkPosition position = BkPosition::Parse(pos);
        EXPECT_FALSE(position.IsPlaced()) << pos;
        EXPECT_FALSE(position.Resolve({0, 0, 100, 100}, {}, kIdentity)) << pos;
    }
    EXPECT_TRUE(BkPosition::Parse("1,2").IsPlaced());
}

TEST(BkPositionTest, ValuesAreScaledBeforeResolving) {
    const auto rect = BkPosition::Parse("-27,8,w400,h10").Resolve({0, 0, 1000, 100}, {}, [](int v) {
        return v * 3 / 2;
    });
    ASSERT_TRUE(rect);
    EXPECT_EQ(*rect, (Rect{960, 12, 1560, 27}));
}

// A control whose content has a known size.
class FixedContent : public CBkWindow {
public:
    std::string_view GetObjectClass() const override { return "fixed"; }
    platform::Size GetContentSize() const override { return {30, 20}; }
};

class BkPositionPanelTest : public bkwin_test::ViewFixture {
protected:
    CBkWindow* AddFixed(const char* name, const char* value) {
        auto control = std::make_unique<FixedContent>();
        control->SetAttribute(name, value, true);
        return view_.Body()->AddChild(std::move(control));
    }
};

TEST_F(BkPositionPanelTest, ParentMarginsShrinkTheArea) {
    ASSERT_TRUE(BkStyle::LoadStyles(
        R"(<style><class name="postest_margin" x-margin="10" y-margin="5"/></style>)"));
    ASSERT_TRUE(Load(R"(<layer width="400" height="300"><body class="postest_margin"/></layer>)"));
    EXPECT_EQ(AddFixed("pos", "0,0,-0,-0")->GetRect(), (Rect{10, 5, 390, 295}));
}

TEST_F(BkPositionPanelTest, ControlsWithoutPosFollowTheirSizeModels) {
    ASSERT_TRUE(Load(R"(<layer width="400" height="300"><body/></layer>)"));
    CBkWindow* full = AddFixed("height", "full");
    EXPECT_EQ(full->GetRect(), (Rect{0, 0, 30, 300}));
    CBkWindow* fixed = AddFixed("width", "50");
    EXPECT_EQ(fixed->GetRect(), (Rect{0, 0, 50, 20}));
    CBkWindow* unplaced = AddFixed("pos", "1,2,3");
    EXPECT_FALSE(unplaced->IsPlaced());
    EXPECT_EQ(view_.HitTest({1, 25}), full);

    // A new "pos" at run time places the control at once.
    unplaced->SetPos("100,100,-0,-0");
    EXPECT_EQ(unplaced->GetRect(), (Rect{100, 100, 400, 300}));
}

class BkPositionDpiTest : public bkwin_test::ViewFixture {
protected:
    void SetUp() override {
        folder_ =
            std::filesystem::temp_directory_path() / ("bkwin-posdpi-" + std::to_string(::getpid()));
        const auto ini = folder_ / "ressrc" / "chs" / "dpisetting.ini";
        std::filesystem::create_directories(ini.parent_path());
        std::ofstream(ini) << "[basesetting]\nswitch=1\n";
        BkDpi::SetProgramForTesting(folder_, "quiretest");
        BkDpi::ResetForTesting();
        BkDpi::ForceEnabled();
        BkDpi::SetScreenDpi(144);
    }
    void TearDown() override {
        BkDpi::SetProgramForTesting({}, "");
        BkDpi::ResetForTesting();
        std::filesystem::remove_all(folder_);
    }
    std::filesystem::path folder_;
};

TEST_F(BkPositionDpiTest, DpiAwareLayoutsScaleSizesAndPositions) {
    ASSERT_TRUE(BkDpi::IsEnabled());
    ASSERT_FLOAT_EQ(BkDpi::Rate(), 1.5f);
    ASSERT_TRUE(Load(R"(<layer width="400" height="200" dpiaware="1"><body>
        <text id="1" pos="27,8,-27,-0">a</text></body></layer>)"));
    EXPECT_EQ(Window().ClientSize(), (platform::Size{600, 300}));
    EXPECT_EQ(view_.FindControl(1)->GetRect(), (Rect{40, 12, 560, 300}));
}

TEST_F(BkPositionDpiTest, LayoutsThatAreNotDpiAwareKeepTheirPixels) {
    ASSERT_TRUE(Load(R"(<layer width="400" height="200"><body>
        <text id="1" pos="27,8,-27,-0">a</text></body></layer>)"));
    EXPECT_EQ(Window().ClientSize(), (platform::Size{400, 200}));
    EXPECT_EQ(view_.FindControl(1)->GetRect(), (Rect{27, 8, 373, 200}));
}

}  // namespace
}  // namespace BkWin
