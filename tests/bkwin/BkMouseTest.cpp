#include <gtest/gtest.h>

#include "BkViewTestSupport.h"
#include "bkwin/BkCheckBox.h"
#include "bkwin/BkRadioBox.h"

namespace BkWin {
namespace {

using platform::MouseAction;

// Body controls sit below the 40-pixel header: their positions are relative to the body.
class BkMouseTest : public bkwin_test::ViewFixture {
protected:
    void LoadButtons(const char* layer_attributes = "") {
        ASSERT_TRUE(Load(std::string("<layer width=\"300\" height=\"200\" ") + layer_attributes +
                         R"(><header height="40"><text id="10" pos="0,0,100,40">title</text>
            <imgbtn id="11" pos="200,0,240,40"/><text id="12" pos="100,0,150,40"
            headacceptlbtndownmsg="1"/></header>
            <body><button id="1" pos="10,50,60,80"/><button id="2" pos="100,50,150,80"/>
            <link id="3" pos="10,100,60,120" href="https://example.com/help"/>
            <check id="4" pos="10,130,60,150"/><text id="5" pos="100,100,150,120" notify="3"/>
            </body></layer>)"));
    }
};

TEST_F(BkMouseTest, ReleaseOnThePressedControlClicks) {
    LoadButtons();
    Click({20, 100});
    EXPECT_EQ(Codes(), (std::vector<int>{3, 7, 1}));
    EXPECT_EQ(records_.back().id, 1);
    EXPECT_EQ(records_.back().class_name, "button");
}

TEST_F(BkMouseTest, ReleaseElsewhereIsALeaveNotAClick) {
    LoadButtons();
    Mouse(MouseAction::kPress, {20, 100});
    Mouse(MouseAction::kRelease, {120, 100});
    EXPECT_TRUE(WithCode(1).empty());
    ASSERT_EQ(WithCode(4).size(), 1u);
    EXPECT_EQ(WithCode(4)[0].id, 1);
    EXPECT_FALSE(view_.FindControl(1)->HasState(kStatePushed));
}

TEST_F(BkMouseTest, HoverMovesSendLeaveForTheOldControlAndStates) {
    LoadButtons();
    Mouse(MouseAction::kMove, {20, 100}, platform::MouseButton::kNone);
    EXPECT_TRUE(view_.FindControl(1)->HasState(kStateHover));
    Mouse(MouseAction::kMove, {120, 100}, platform::MouseButton::kNone);
    EXPECT_FALSE(view_.FindControl(1)->HasState(kStateHover));
    EXPECT_TRUE(view_.FindControl(2)->HasState(kStateHover));
    ASSERT_EQ(WithCode(4).size(), 1u);
    EXPECT_EQ(WithCode(4)[0].id, 1);
    Mouse(MouseAction::kLeave, {}, platform::MouseButton::kNone);
    EXPECT_EQ(WithCode(4).back().id, 2);
    EXPECT_FALSE(view_.FindControl(2)->HasState(kStateHover));
}

TEST_F(BkMouseTest, NotifyBitsReportEnteringAndLeaving) {
    LoadButtons();
    Mouse(MouseAction::kMove, {110, 150}, platform::MouseButton::kNone);
    Mouse(MouseAction::kMove, {200, 150}, platform::MouseButton::kNone);
    const auto sixes = WithCode(6);
    ASSERT_EQ(sixes.size(), 2u);
    EXPECT_EQ(sixes[0].kind, 3);
    EXPECT_EQ(sixes[1].kind, 4);
    EXPECT_EQ(sixes[0].text, "wnd");
    EXPECT_EQ(sixes[0].id, 5);
}

TEST_F(BkMouseTest, HrefOpensInsteadOfNotifyingAClick) {
    LoadButtons();
    Click({20, 150});
    EXPECT_TRUE(WithCode(1).empty());
    ASSERT_EQ(system_.OpenedUris().size(), 1u);
    EXPECT_EQ(system_.OpenedUris()[0], "https://example.com/help");
}

TEST_F(BkMouseTest, HeaderPressDragsTheWindowUnlessTheControlTakesIt) {
    LoadButtons();
    Mouse(MouseAction::kPress, {20, 20});
    EXPECT_EQ(Window().LastMoveRequest(), (platform::Point{20, 20}));
    EXPECT_TRUE(WithCode(7).empty());
    Mouse(MouseAction::kRelease, {20, 20});

    Mouse(MouseAction::kPress, {210, 20});
    Mouse(MouseAction::kRelease, {210, 20});
    Mouse(MouseAction::kPress, {120, 20});
    Mouse(MouseAction::kRelease, {120, 20});
    EXPECT_EQ(Window().LastMoveRequest(), (platform::Point{20, 20}));
    ASSERT_EQ(WithCode(1).size(), 2u);
    EXPECT_EQ(WithCode(1)[0].class_name, "imgbtn");
}

TEST_F(BkMouseTest, NoMoveKeepsTheWindowStill) {
    LoadButtons("nomove=\"1\"");
    Mouse(MouseAction::kPress, {20, 20});
    EXPECT_FALSE(Window().LastMoveRequest().has_value());
    EXPECT_EQ(WithCode(7).size(), 1u);
}

TEST_F(BkMouseTest, ResizableWindowsHaveASizingBorderAndMaximiseFromTheHeader) {
    LoadButtons("resize=\"1\"");
    Mouse(MouseAction::kPress, {1, 1});
    ASSERT_TRUE(Window().LastResizeRequest().has_value());
    EXPECT_EQ(Window().LastResizeRequest()->edge, platform::HitCode::kTopLeft);
    Mouse(MouseAction::kPress, {299, 100});
    EXPECT_EQ(Window().LastResizeRequest()->edge, platform::HitCode::kRight);

    Mouse(MouseAction::kDoubleClick, {20, 20});
    EXPECT_EQ(Window().State(), platform::WindowState::kMaximized);
    Mouse(MouseAction::kDoubleClick, {20, 20});
    EXPECT_EQ(Window().State(), platform::WindowState::kNormal);
}

TEST_F(BkMouseTest, FixedSizeWindowsDoNotStayMaximised) {
    LoadButtons();
    Mouse(MouseAction::kDoubleClick, {20, 20});
    EXPECT_EQ(Window().State(), platform::WindowState::kNormal);
    ASSERT_EQ(WithCode(8).size(), 1u);
    EXPECT_EQ(WithCode(8)[0].class_name, "text");
    Window().Maximize();
    EXPECT_EQ(Window().State(), platform::WindowState::kNormal);
}

TEST_F(BkMouseTest, CheckBoxToggleIsVisibleToTheClickHandler) {
    LoadButtons();
    bool checked_at_click = false;
    view_.on_notify = [&](BkNotify& record) {
        if (record.code == 1)
            checked_at_click = view_.FindControl<CBkCheckBox>(record.id)->IsChecked();
    };
    Click({20, 180});
    EXPECT_TRUE(checked_at_click);
    Click({20, 180});
    EXPECT_FALSE(view_.FindControl<CBkCheckBox>(4)->IsChecked());
}

TEST(BkRadioTest, GroupsSpanWindows) {
    platform::HeadlessWindowSystem system;
    const char* layout = R"(<layer width="100" height="100"><body>
        <radio id="1" group="bkmouse_group" check="1" pos="0,0,50,20"/>
        <radio id="2" group="bkmouse_group" pos="0,30,50,50"/>
        <radio id="3" group="bkmouse_other" check="1" pos="0,60,50,80"/></body></layer>)";
    CBkDialogViewImplEx first(system), second(system);
    ASSERT_TRUE(first.LoadXml(layout));
    ASSERT_TRUE(second.LoadXml(layout));
    first.NativeWindow()->Show();
    auto& window = static_cast<platform::HeadlessWindow&>(*first.NativeWindow());
    for (auto action : {MouseAction::kPress, MouseAction::kRelease})
        window.InjectMouse({action, platform::MouseButton::kLeft, {10, 40}, 0, 0});
    EXPECT_TRUE(first.FindControl<CBkRadioBox>(2)->IsChecked());
    EXPECT_FALSE(first.FindControl<CBkRadioBox>(1)->IsChecked());
    EXPECT_FALSE(second.FindControl<CBkRadioBox>(1)->IsChecked());
    EXPECT_FALSE(second.FindControl<CBkRadioBox>(2)->IsChecked());
    EXPECT_TRUE(second.FindControl<CBkRadioBox>(3)->IsChecked());
}

}  // namespace
}  // namespace BkWin
