#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <utility>

#include "platform/window/HeadlessWindowSystem.h"

namespace platform {
namespace {

using namespace std::chrono_literals;

MouseEvent LeftRelease() {
    MouseEvent event;
    event.action = MouseAction::kRelease;
    event.button = MouseButton::kLeft;
    return event;
}

FileChooserOptions FileChooser(NativeWindow* owner, std::string title) {
    FileChooserOptions options;
    options.owner = owner;
    options.title = std::move(title);
    return options;
}

class HeadlessModalTest : public ::testing::Test {
protected:
    std::unique_ptr<HeadlessWindow> Window(NativeWindow* owner) {
        WindowOptions options;
        options.size = {200, 100};
        options.owner = owner;
        return system_.CreateHeadlessWindow(options);
    }
    std::unique_ptr<HeadlessWindow> ShownWindow(NativeWindow* owner) {
        auto window = Window(owner);
        window->Show();
        return window;
    }

    HeadlessWindowSystem system_;
    std::unique_ptr<HeadlessWindow> main_ = ShownWindow(nullptr);
};

TEST_F(HeadlessModalTest, ScriptedClickEndsTheDialogWhileItsOwnerTakesNoInput) {
    auto dialog = ShownWindow(main_.get());
    dialog->on_mouse = [&](const MouseEvent& event) {
        if (event.action == MouseAction::kRelease)
            system_.EndModal(*dialog, 2);
    };
    bool owner_took_input = true;
    system_.ScriptModal([&](HeadlessWindow& shown) {
        owner_took_input = main_->InjectMouse({}) || main_->RequestClose();
        shown.InjectMouse(LeftRelease());
    });
    EXPECT_EQ(system_.RunModal(*dialog), 2);
    EXPECT_FALSE(owner_took_input);
    EXPECT_TRUE(main_->InjectMouse({}));
    EXPECT_EQ(system_.ModalDepth(), 0u);
}

TEST_F(HeadlessModalTest, NestedDialogsTakeScriptsInOrder) {
    auto outer = ShownWindow(main_.get());
    auto inner = ShownWindow(outer.get());
    std::size_t depth_inside = 0;
    outer->on_key = [&](const KeyEvent&) {
        const int answer = system_.RunModal(*inner);
        system_.EndModal(*outer, answer + 10);
    };
    system_.ScriptModal([&](HeadlessWindow& shown) { shown.InjectKey({}); });
    system_.ScriptModal([&](HeadlessWindow& shown) {
        depth_inside = system_.ModalDepth();
        EXPECT_FALSE(outer->InjectKey({}));  // the outer dialog now owns a modal one
        system_.EndModal(shown, 1);
    });
    EXPECT_EQ(system_.RunModal(*outer), 11);
    EXPECT_EQ(depth_inside, 2u);
}

TEST_F(HeadlessModalTest, UnansweredDialogReturnsMinusOneInsteadOfHanging) {
    auto dialog = ShownWindow(main_.get());
    EXPECT_EQ(system_.RunModal(*dialog), -1);

    // A repeating timer is work that never runs out; the virtual clock bounds it.
    int ticks = 0;
    system_.StartTimer(1s, [&] { ++ticks; });
    EXPECT_EQ(system_.RunModal(*dialog), -1);
    EXPECT_GE(system_.NowMs(),
              static_cast<std::uint64_t>(HeadlessWindowSystem::kModalClockLimit.count()));
    EXPECT_GT(ticks, 0);
}

TEST_F(HeadlessModalTest, TimersAndPostsKeepRunningUntilEndModal) {
    auto dialog = ShownWindow(main_.get());
    TimerId timer = 0;
    timer = system_.StartTimer(3s, [&] {
        system_.StopTimer(timer);
        system_.Post([&] { system_.EndModal(*dialog, 5); });
    });
    EXPECT_EQ(system_.RunModal(*dialog), 5);
    EXPECT_EQ(system_.NowMs(), 3000u);
}

TEST_F(HeadlessModalTest, HiddenOrDestroyedDialogEndsWithMinusOne) {
    auto dialog = Window(nullptr);
    bool script_ran = false;
    system_.ScriptModal([&](HeadlessWindow&) { script_ran = true; });
    EXPECT_EQ(system_.RunModal(*dialog), -1);
    EXPECT_FALSE(script_ran);  // the script stays for the next dialog

    dialog->Show();
    system_.StartTimer(10ms, [&] { dialog.reset(); });
    EXPECT_EQ(system_.RunModal(*dialog), -1);
    EXPECT_TRUE(script_ran);
    EXPECT_EQ(system_.Windows().size(), 1u);
}

TEST_F(HeadlessModalTest, ChoosersAnswerFromTheScriptThenCancel) {
    system_.ScriptFileChooser(std::vector<std::filesystem::path>{"/tmp/a.pdf", "/tmp/b.pdf"});
    system_.ScriptFileChooser(std::nullopt);
    system_.ScriptFolderChooser("/tmp/out");
    FileChooserOptions options = FileChooser(main_.get(), "添加文件");
    options.filters = {{"PDF 文件", {"*.pdf"}}};
    const auto first = system_.ChooseFiles(options);
    ASSERT_TRUE(first);
    EXPECT_EQ(first->size(), 2u);
    EXPECT_FALSE(system_.ChooseFiles(options));
    EXPECT_FALSE(system_.ChooseFiles(FileChooser(nullptr, "再次")));  // nothing scripted: cancel
    EXPECT_EQ(system_.FileChooserCalls().size(), 3u);
    ASSERT_TRUE(system_.LastFileChooser());
    EXPECT_EQ(system_.LastFileChooser()->title, "再次");
    EXPECT_EQ(system_.FileChooserCalls()[0].filters[0].patterns[0], "*.pdf");

    FolderChooserOptions folder;
    folder.title = "输出";
    EXPECT_EQ(system_.ChooseFolder(folder), std::filesystem::path("/tmp/out"));
    EXPECT_FALSE(system_.ChooseFolder(folder));
    EXPECT_EQ(system_.FolderChooserCalls().size(), 2u);
    EXPECT_EQ(system_.LastFolderChooser()->title, "输出");
}

TEST_F(HeadlessModalTest, TrayNeedsAHostAndActivatesTheNewestIcon) {
    EXPECT_EQ(system_.CreateTrayIcon("icon.png", "tip"), nullptr);
    system_.SetTrayHostPresent(true);
    auto icon = system_.CreateTrayIcon("icon.png", "转换中");
    ASSERT_NE(icon, nullptr);
    int activated = 0;
    icon->on_activate = [&] { ++activated; };
    icon->SetTooltip("完成");
    EXPECT_EQ(system_.TrayIcons().at(0)->Tooltip(), "完成");
    EXPECT_TRUE(system_.ActivateTray());
    EXPECT_EQ(activated, 1);
    icon.reset();
    EXPECT_FALSE(system_.ActivateTray());
}

TEST_F(HeadlessModalTest, OpenUriTakesOnlyWebAndFileUris) {
    EXPECT_TRUE(system_.OpenUri("https://example.com/help"));
    EXPECT_TRUE(system_.OpenUri("file:///tmp/out.docx"));
    EXPECT_FALSE(system_.OpenUri("javascript:alert(1)"));
    EXPECT_FALSE(system_.OpenUri("/tmp/out.docx"));
    EXPECT_EQ(system_.OpenedUris().size(), 2u);
}

}  // namespace
}  // namespace platform
