#include <gtest/gtest.h>

#include <set>
#include <string>

#include "BkSkinTestImages.h"
#include "bkwin/BkFontPool.h"
#include "bkwin/BkToolTip.h"
#include "platform/Text.h"
#include "platform/window/HeadlessWindowSystem.h"

namespace BkWin {
namespace {

using namespace std::chrono_literals;

// Knows which timers are running, so that a tip that forgets to stop one is caught.
class TimerCountingSystem : public platform::HeadlessWindowSystem {
public:
    platform::TimerId StartTimer(std::chrono::milliseconds interval,
                                 std::function<void()> tick) override {
        const platform::TimerId id = HeadlessWindowSystem::StartTimer(interval, std::move(tick));
        live_.insert(id);
        return id;
    }
    void StopTimer(platform::TimerId timer) override {
        live_.erase(timer);
        HeadlessWindowSystem::StopTimer(timer);
    }
    std::size_t LiveTimers() const { return live_.size(); }

private:
    std::set<platform::TimerId> live_;
};

constexpr platform::Rect kSaveButton{20, 30, 80, 54};
constexpr platform::Rect kOpenButton{100, 30, 160, 54};

class BkToolTipTest : public ::testing::Test {
protected:
    void SetUp() override {
        BkFontPool::Clear();
        BkFontPool::SetBaseFont("微软雅黑");
        platform::WindowOptions options;
        options.size = {300, 200};
        owner_ = system_.CreateHeadlessWindow(options);
        owner_->Show();
        tip_ = std::make_unique<BkToolTip>(system_, *owner_);
    }
    void TearDown() override {
        tip_.reset();
        EXPECT_EQ(system_.LiveTimers(), 0u);
        BkFontPool::Clear();
    }

    // The tip's popup when one is on screen.
    platform::HeadlessWindow* ShownPopup() const {
        for (platform::HeadlessWindow* window : system_.Windows()) {
            if (window->Options().popup && window->IsVisible())
                return window;
        }
        return nullptr;
    }

    // Shows `text` for `control` the slow way.
    platform::HeadlessWindow* ShowTip(const std::string& text, const platform::Rect& control) {
        tip_->OnHover(text, control);
        system_.AdvanceClock(BkToolTip::kShowDelay);
        return ShownPopup();
    }

    TimerCountingSystem system_;
    std::unique_ptr<platform::HeadlessWindow> owner_;
    std::unique_ptr<BkToolTip> tip_;
};

TEST_F(BkToolTipTest, AppearsAfterDelayBelowTheControl) {
    tip_->OnHover("保存文件", kSaveButton);
    system_.AdvanceClock(BkToolTip::kShowDelay - 1ms);
    EXPECT_EQ(ShownPopup(), nullptr);
    EXPECT_FALSE(tip_->IsShown());

    system_.AdvanceClock(1ms);
    platform::HeadlessWindow* popup = ShownPopup();
    ASSERT_NE(popup, nullptr);
    EXPECT_TRUE(tip_->IsShown());
    EXPECT_EQ(popup->Options().owner, owner_.get());
    EXPECT_FALSE(popup->Options().in_task_bar);
    EXPECT_EQ(popup->Position(), (platform::Point{kSaveButton.left, kSaveButton.bottom + 4}));

    // Sized to the text, with a grey border on top and dark text inside.
    const platform::Size size = popup->ClientSize();
    EXPECT_GT(size.width, size.height);
    EXPECT_LT(size.height, 40);
    cairo_surface_t* surface = popup->Surface();
    const std::uint32_t border = bkwin_test::PixelAt(surface, size.width / 2, 0);
    EXPECT_EQ(border & 0xFFFFFF, 0xA0A0A0u);
    int dark = 0;
    for (int y = 1; y < size.height - 1; ++y) {
        for (int x = 1; x < size.width - 1; ++x)
            dark += (bkwin_test::PixelAt(surface, x, y) & 0xFF) < 0x80;
    }
    EXPECT_GT(dark, 10);
}

TEST_F(BkToolTipTest, GoesAwayAndStopsItsTimer) {
    ASSERT_NE(ShowTip("保存文件", kSaveButton), nullptr);
    tip_->Hide();
    EXPECT_EQ(ShownPopup(), nullptr);
    EXPECT_EQ(system_.LiveTimers(), 0u);

    ASSERT_NE(ShowTip("保存文件", kSaveButton), nullptr);
    tip_->OnHover("", {});
    EXPECT_EQ(ShownPopup(), nullptr);
    EXPECT_EQ(system_.LiveTimers(), 0u);
    system_.AdvanceClock(BkToolTip::kSwitchGrace);

    ASSERT_NE(ShowTip("保存文件", kSaveButton), nullptr);
    system_.AdvanceClock(BkToolTip::kShowFor - 1ms);
    EXPECT_NE(ShownPopup(), nullptr);
    system_.AdvanceClock(1ms);
    EXPECT_EQ(ShownPopup(), nullptr);
    EXPECT_EQ(system_.LiveTimers(), 0u);
    // Still over the same control: nothing comes back.
    system_.AdvanceClock(1h);
    EXPECT_EQ(ShownPopup(), nullptr);

    // A tip that never showed stops its delay too.
    tip_->OnHover("保存文件", kSaveButton);
    EXPECT_EQ(system_.LiveTimers(), 1u);
    tip_->Hide();
    EXPECT_EQ(system_.LiveTimers(), 0u);
    system_.AdvanceClock(1h);
    EXPECT_EQ(ShownPopup(), nullptr);
}

TEST_F(BkToolTipTest, SwitchesAtOnceOnlyWhileATipIsShown) {
    ASSERT_NE(ShowTip("保存文件", kSaveButton), nullptr);
    tip_->OnHover("打开文件", kOpenButton);
    platform::HeadlessWindow* popup = ShownPopup();
    ASSERT_NE(popup, nullptr);
    EXPECT_EQ(tip_->Text(), "打开文件");
    EXPECT_EQ(popup->Position().x, kOpenButton.left);
    EXPECT_EQ(system_.LiveTimers(), 1u);
    // The new tip gets its full time.
    system_.AdvanceClock(BkToolTip::kShowFor - 1ms);
    EXPECT_NE(ShownPopup(), nullptr);
    system_.AdvanceClock(1ms);
    EXPECT_EQ(ShownPopup(), nullptr);

    // While waiting, another control starts the wait again.
    tip_->OnHover("保存文件", kSaveButton);
    system_.AdvanceClock(300ms);
    tip_->OnHover("打开文件", kOpenButton);
    system_.AdvanceClock(300ms);
    EXPECT_EQ(ShownPopup(), nullptr);
    system_.AdvanceClock(200ms);
    EXPECT_NE(ShownPopup(), nullptr);
    EXPECT_EQ(tip_->Text(), "打开文件");
}

TEST_F(BkToolTipTest, CrossingAGapKeepsTheSwitchQuick) {
    ASSERT_NE(ShowTip("保存文件", kSaveButton), nullptr);
    tip_->OnHover("", {});
    system_.AdvanceClock(BkToolTip::kSwitchGrace - 1ms);
    tip_->OnHover("打开文件", kOpenButton);
    EXPECT_NE(ShownPopup(), nullptr);

    // A longer pause, or a press, means the user stopped browsing tips.
    tip_->OnHover("", {});
    system_.AdvanceClock(BkToolTip::kSwitchGrace);
    tip_->OnHover("保存文件", kSaveButton);
    EXPECT_EQ(ShownPopup(), nullptr);
    system_.AdvanceClock(BkToolTip::kShowDelay);
    ASSERT_NE(ShownPopup(), nullptr);
    tip_->Hide();
    tip_->OnHover("打开文件", kOpenButton);
    EXPECT_EQ(ShownPopup(), nullptr);
}

TEST_F(BkToolTipTest, LongTipsAreCutAndStayInsideTheOwner) {
    std::string long_tip;
    for (int i = 0; i < 30; ++i)
        long_tip += "转换文档";
    platform::HeadlessWindow* popup = ShowTip(long_tip, kSaveButton);
    ASSERT_NE(popup, nullptr);
    EXPECT_EQ(platform::CountChars(tip_->Text()), BkToolTip::kMaxChars);
    EXPECT_EQ(tip_->Text(), std::string(platform::TruncateChars(long_tip, 79)) + "…");
    // Wider than the 300-pixel owner: it starts at the owner's left edge.
    EXPECT_GT(popup->ClientSize().width, 300);
    EXPECT_EQ(popup->Position().x, 0);

    const std::string exactly80(platform::TruncateChars(long_tip, 80));
    EXPECT_EQ(BkToolTip::DisplayText(exactly80), exactly80);
    EXPECT_EQ(BkToolTip::DisplayText("第一行\n第二行"), "第一行 第二行");

    // Near the right edge it is pulled left to end at the owner's edge.
    tip_->OnHover("关闭", {280, 0, 300, 20});
    popup = ShownPopup();
    ASSERT_NE(popup, nullptr);
    EXPECT_EQ(popup->Position().x + popup->ClientSize().width, 300);
    EXPECT_EQ(popup->Position().y, 24);
}

TEST_F(BkToolTipTest, DestroyingStopsThePendingTimer) {
    tip_->OnHover("保存文件", kSaveButton);
    ASSERT_EQ(system_.LiveTimers(), 1u);
    tip_.reset();
    EXPECT_EQ(system_.LiveTimers(), 0u);
    system_.AdvanceClock(1h);
    EXPECT_EQ(ShownPopup(), nullptr);
}

}  // namespace
}  // namespace BkWin
