#include <gtest/gtest.h>

#include <fstream>
#include <string>

#include "BkSkinTestImages.h"
#include "bkwin/BkDpi.h"

namespace BkWin {
namespace {

namespace fs = std::filesystem;

class BkDpiTest : public ::testing::Test {
protected:
    void SetUp() override {
        folder_ = bkwin_test::TempFolder("dpi");
        BkDpi::SetProgramForTesting(folder_, "quiretest");
        BkDpi::ResetForTesting();
    }
    void TearDown() override {
        BkDpi::ResetForTesting();
        fs::remove_all(folder_);
    }

    void WriteSettings(const std::string& lines) {
        const fs::path file = folder_ / "ressrc" / "chs" / "dpisetting.ini";
        fs::create_directories(file.parent_path());
        std::ofstream(file) << "[BaseSetting]\n" << lines;
        BkDpi::ResetForTesting();
    }

    float RateAt(int dpi) {
        BkDpi::ResetForTesting();
        BkDpi::SetScreenDpi(dpi);
        return BkDpi::Rate();
    }

    fs::path ImageFor(const std::string& rate, int id) {
        return folder_ / "ressrc" / "chs" / "dpiimg" / rate / "quiretest" /
               (std::to_string(id) + "_" + rate + ".png");
    }
    void Touch(const fs::path& file) {
        fs::create_directories(file.parent_path());
        std::ofstream(file) << "x";
    }

    fs::path folder_;
};

TEST_F(BkDpiTest, MissingSettingsMeanNoScaling) {
    BkDpi::ForceEnabled();
    BkDpi::SetScreenDpi(144);
    EXPECT_FALSE(BkDpi::IsEnabled());
    EXPECT_EQ(BkDpi::Scale(100), 100);
    EXPECT_EQ(BkDpi::DrawRate(true), 1.0f);
    EXPECT_FALSE(BkDpi::PreScaledImage(1000).has_value());
}

TEST_F(BkDpiTest, SwitchDecidesUnlessDebugForcesScaling) {
    WriteSettings("switch=0\n");
    EXPECT_FALSE(BkDpi::IsEnabled());
    WriteSettings("switch=1\nmode=3\n");
    EXPECT_FALSE(BkDpi::IsEnabled());
    BkDpi::ForceEnabled();
    EXPECT_TRUE(BkDpi::IsEnabled());
    WriteSettings("Switch = 1\n");
    EXPECT_TRUE(BkDpi::IsEnabled());
    WriteSettings("switch=0\ndebug=1\n");
    EXPECT_TRUE(BkDpi::IsEnabled());
}

TEST_F(BkDpiTest, RateIsTheLargestSupportedValueNotAboveTheRatio) {
    WriteSettings("switch=1\n");
    EXPECT_FLOAT_EQ(RateAt(96), 1.0f);
    EXPECT_FLOAT_EQ(RateAt(110), 1.0f);
    EXPECT_FLOAT_EQ(RateAt(120), 1.2f);
    EXPECT_FLOAT_EQ(RateAt(144), 1.5f);
    EXPECT_FLOAT_EQ(RateAt(168), 1.5f);
    EXPECT_FLOAT_EQ(RateAt(72), 1.0f);

    WriteSettings("switch=1\nsupportrate=1.0|1.25|1.5|2.0\n");
    EXPECT_FLOAT_EQ(RateAt(192), 2.0f);
    EXPECT_FLOAT_EQ(RateAt(130), 1.25f);
    // Values below 1 never shrink the drawing.
    WriteSettings("switch=1\nsupportrate=0.5|0.8\n");
    EXPECT_FLOAT_EQ(RateAt(90), 1.0f);
}

TEST_F(BkDpiTest, DebugDpiAppliesOnlyToListedPrograms) {
    WriteSettings("debug=1\ndebugdpi=144\nsupportprocess=other;quiretest\n");
    BkDpi::SetScreenDpi(192);
    EXPECT_FLOAT_EQ(BkDpi::Rate(), 1.5f);
    WriteSettings("debug=1\ndebugdpi=144\nsupportprocess=other\n");
    BkDpi::SetScreenDpi(192);
    EXPECT_FLOAT_EQ(BkDpi::Rate(), 1.0f);
}

TEST_F(BkDpiTest, ScaleAndUnscaleTruncate) {
    WriteSettings("switch=1\n");
    BkDpi::SetScreenDpi(144);
    EXPECT_EQ(BkDpi::Scale(7), 10);  // 10.5
    EXPECT_EQ(BkDpi::Scale(-7), -10);
    EXPECT_EQ(BkDpi::Unscale(10), 6);  // 6.67
    EXPECT_EQ(BkDpi::DrawRate(false), 1.0f);
    EXPECT_EQ(BkDpi::DrawRate(true), 1.5f);
}

TEST_F(BkDpiTest, PrefersTheImageOfTheRateItself) {
    WriteSettings("switch=1\nsupportrate=1.0|1.2|1.5|2.0\n");
    BkDpi::SetScreenDpi(144);
    Touch(ImageFor("1.5", 1001));
    Touch(ImageFor("2.0", 1001));
    const auto image = BkDpi::PreScaledImage(1001);
    ASSERT_TRUE(image.has_value());
    EXPECT_EQ(image->file, ImageFor("1.5", 1001));
    EXPECT_FLOAT_EQ(image->rate, 1.5f);
    EXPECT_FALSE(BkDpi::PreScaledImage(1002).has_value());
}

TEST_F(BkDpiTest, FallsBackToTheNearestImageWhenCloseEnough) {
    WriteSettings("switch=1\n");
    BkDpi::SetScreenDpi(144);
    Touch(ImageFor("1.2", 1003));
    const auto image = BkDpi::PreScaledImage(1003);
    ASSERT_TRUE(image.has_value());
    EXPECT_EQ(image->file, ImageFor("1.2", 1003));
    EXPECT_FLOAT_EQ(image->rate, 1.2f);

    // At 1.2 a 1.5 image is further away than 1.2 is from 1.
    BkDpi::ResetForTesting();
    BkDpi::SetScreenDpi(120);
    Touch(ImageFor("1.5", 1004));
    EXPECT_FALSE(BkDpi::PreScaledImage(1004).has_value());
}

TEST_F(BkDpiTest, TieBetweenTwoImagesGoesToTheLargerRate) {
    WriteSettings("switch=1\nsupportrate=1.0|1.5|2.0|2.5\n");
    BkDpi::SetScreenDpi(192);
    Touch(ImageFor("1.5", 1005));
    Touch(ImageFor("2.5", 1005));
    const auto image = BkDpi::PreScaledImage(1005);
    ASSERT_TRUE(image.has_value());
    EXPECT_FLOAT_EQ(image->rate, 2.5f);
}

TEST_F(BkDpiTest, NoImagesAtRateOne) {
    WriteSettings("switch=1\n");
    Touch(ImageFor("1.0", 1006));
    Touch(ImageFor("1.2", 1006));
    EXPECT_FALSE(BkDpi::PreScaledImage(1006).has_value());
}

}  // namespace
}  // namespace BkWin
