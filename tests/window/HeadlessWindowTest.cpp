#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <memory>

#include "platform/Text.h"
#include "platform/window/HeadlessEdit.h"
#include "platform/window/HeadlessWindowSystem.h"

namespace platform {
namespace {

constexpr std::uint32_t kRed = 0xffff0000;
constexpr std::uint32_t kBlue = 0xff0000ff;

std::uint32_t PixelAt(cairo_surface_t* surface, int x, int y) {
    cairo_surface_flush(surface);
    const unsigned char* row =
        cairo_image_surface_get_data(surface) + y * cairo_image_surface_get_stride(surface);
    return reinterpret_cast<const std::uint32_t*>(row)[x];
}

WindowOptions SizedWindow(Size size, Size min_size = {}) {
    WindowOptions options;
    options.size = size;
    options.min_size = min_size;
    return options;
}

EditOptions Edit(bool multi_line, int max_chars = 0) {
    EditOptions options;
    options.multi_line = multi_line;
    options.max_chars = max_chars;
    return options;
}

class HeadlessWindowTest : public ::testing::Test {
protected:
    void SetUp() override {
        window_->on_paint = [this](cairo_t* cr, const Rect& dirty) {
            painted_.push_back(dirty);
            cairo_set_source_rgb(cr, fill_ == kRed ? 1 : 0, 0, fill_ == kBlue ? 1 : 0);
            cairo_paint(cr);  // the clip must keep this inside the dirty area
        };
    }

    HeadlessWindowSystem system_;
    std::unique_ptr<HeadlessWindow> window_ =
        system_.CreateHeadlessWindow(SizedWindow({100, 80}, {50, 40}));
    std::uint32_t fill_ = kRed;
    std::vector<Rect> painted_;
};

TEST_F(HeadlessWindowTest, PaintsOnlyTheUnionOfDirtyRectanglesOfShownWindows) {
    system_.RunPending();
    EXPECT_TRUE(painted_.empty());  // hidden
    window_->Show();
    system_.RunPending();
    ASSERT_EQ(painted_.size(), 1u);
    EXPECT_EQ(painted_[0], (Rect{0, 0, 100, 80}));
    EXPECT_EQ(system_.PaintPending(), 0);

    fill_ = kBlue;
    window_->Invalidate({10, 10, 20, 20});
    window_->Invalidate({30, 5, 40, 15});
    window_->Invalidate({90, 70, 500, 500});  // cut to the client area
    EXPECT_EQ(system_.PaintPending(), 1);
    EXPECT_EQ(painted_.back(), (Rect{10, 5, 100, 80}));
    EXPECT_EQ(PixelAt(window_->Surface(), 10, 5), kBlue);
    EXPECT_EQ(PixelAt(window_->Surface(), 99, 79), kBlue);
    EXPECT_EQ(PixelAt(window_->Surface(), 9, 50), kRed);
    EXPECT_EQ(PixelAt(window_->Surface(), 50, 4), kRed);
}

TEST_F(HeadlessWindowTest, InvalidatingDuringPaintWaitsForTheNextPaint) {
    window_->Show();
    system_.PaintPending();
    window_->Invalidate({0, 0, 5, 5});
    window_->on_paint = [this](cairo_t*, const Rect& dirty) {
        painted_.push_back(dirty);
        window_->Invalidate({50, 50, 60, 60});
    };
    system_.PaintPending();
    EXPECT_EQ(window_->DirtyRect(), (Rect{50, 50, 60, 60}));
    EXPECT_EQ(painted_.back(), (Rect{0, 0, 5, 5}));
}

TEST_F(HeadlessWindowTest, ResizeKeepsTheMinimumAndRepaintsEverything) {
    window_->Show();
    system_.PaintPending();
    Size reported;
    window_->on_resize = [&](Size size) { reported = size; };
    window_->Resize({10, 200});
    EXPECT_EQ(reported, (Size{50, 200}));
    EXPECT_EQ(cairo_image_surface_get_width(window_->Surface()), 50);
    EXPECT_EQ(cairo_image_surface_get_height(window_->Surface()), 200);
    EXPECT_EQ(window_->DirtyRect(), (Rect{0, 0, 50, 200}));
}

TEST_F(HeadlessWindowTest, CloseAsksFirstAndStateChangesAreReportedOnce) {
    window_->Show();
    bool allow = false;
    window_->on_close_request = [&] { return allow; };
    EXPECT_FALSE(window_->RequestClose());
    EXPECT_TRUE(window_->IsVisible());
    allow = true;
    EXPECT_TRUE(window_->RequestClose());
    EXPECT_FALSE(window_->IsVisible());
    EXPECT_FALSE(window_->InjectKey({}));  // hidden windows take no input

    std::vector<WindowState> states;
    window_->on_state_change = [&](WindowState state) { states.push_back(state); };
    window_->Maximize();
    window_->Maximize();
    window_->Restore();
    EXPECT_EQ(states, (std::vector<WindowState>{WindowState::kMaximized, WindowState::kNormal}));
}

TEST_F(HeadlessWindowTest, HidingAWindowHidesThePopupsItOwnsOnly) {
    window_->Show();
    WindowOptions popup_options = SizedWindow({20, 10});
    popup_options.popup = true;
    popup_options.owner = window_.get();
    auto popup = system_.CreateHeadlessWindow(popup_options);
    WindowOptions dialog_options = SizedWindow({30, 20});
    dialog_options.owner = window_.get();  // owned, but a window of its own
    auto dialog = system_.CreateHeadlessWindow(dialog_options);
    popup->Show();
    dialog->Show();

    window_->Hide();
    EXPECT_FALSE(popup->IsVisible());
    EXPECT_TRUE(dialog->IsVisible());
}

TEST_F(HeadlessWindowTest, SavedPngHoldsTheSurface) {
    window_->Show();
    system_.PaintPending();
    const auto path = std::filesystem::path(::testing::TempDir()) / "headless_window.png";
    ASSERT_TRUE(window_->SavePng(path));
    cairo_surface_t* loaded = cairo_image_surface_create_from_png(path.c_str());
    ASSERT_EQ(cairo_surface_status(loaded), CAIRO_STATUS_SUCCESS);
    EXPECT_EQ(cairo_image_surface_get_width(loaded), 100);
    EXPECT_EQ(PixelAt(loaded, 42, 42), kRed);
    cairo_surface_destroy(loaded);
    std::filesystem::remove(path);
}

TEST_F(HeadlessWindowTest, EditCountsCharactersNotBytes) {
    window_->Show();
    EditOptions options = Edit(false, 5);
    options.password = true;
    options.hint = "密码";
    auto edit = window_->CreateEdit(options);
    auto* headless = window_->Edits().at(0);
    std::vector<std::string> changes;
    edit->on_change = [&](const std::string& text) { changes.push_back(text); };

    EXPECT_TRUE(headless->Type("ab中"));
    EXPECT_TRUE(headless->Type("文字测试"));
    EXPECT_EQ(edit->Text(), "ab中文字");
    EXPECT_TRUE(headless->Type("多"));  // full: nothing changes
    EXPECT_EQ(changes, (std::vector<std::string>{"ab中", "ab中文字"}));

    edit->SetText("一二三四五六七");
    EXPECT_EQ(edit->Text(), "一二三四五");
    EXPECT_TRUE(IsValidUtf8(edit->Text()));
    EXPECT_TRUE(headless->IsPassword());
    EXPECT_EQ(headless->Hint(), "密码");

    edit->SetEnabled(false);
    edit->SetText("");
    EXPECT_FALSE(headless->Type("x"));
    EXPECT_EQ(edit->Text(), "");
}

TEST_F(HeadlessWindowTest, EnterActivatesSingleLineAndBreaksMultiLine) {
    auto single = window_->CreateEdit({});
    auto multi = window_->CreateEdit(Edit(true));
    int activated = 0;
    single->on_activate = [&] { ++activated; };
    multi->on_activate = [&] { ++activated; };
    window_->Edits()[0]->PressEnter();
    window_->Edits()[1]->Type("第一行");
    window_->Edits()[1]->PressEnter();
    EXPECT_EQ(activated, 1);
    EXPECT_EQ(multi->Text(), "第一行\n");

    multi->Focus();
    EXPECT_EQ(window_->FocusedEdit(), window_->Edits()[1]);
    single->Focus();
    EXPECT_EQ(window_->FocusedEdit(), window_->Edits()[0]);
}

TEST(HeadlessLifetimeTest, EditsWindowsAndSystemsMayBeDestroyedInAnyOrder) {
    std::unique_ptr<NativeEdit> edit;
    std::unique_ptr<NativeWindow> survivor;
    {
        HeadlessWindowSystem system;
        auto window = system.CreateWindow(SizedWindow({10, 10}));
        WindowOptions popup = SizedWindow({5, 5});
        popup.popup = true;
        popup.owner = window.get();
        popup.position_in_owner = {3, 4};
        survivor = system.CreateWindow(popup);
        edit = window->CreateEdit({});
        window.reset();
        ASSERT_EQ(system.Windows().size(), 1u);
        EXPECT_EQ(system.Windows()[0]->Position(), (Point{3, 4}));
    }
    edit->SetText("仍然可用");
    edit->Focus();
    survivor->Show();
    EXPECT_EQ(edit->Text(), "仍然可用");
}

}  // namespace
}  // namespace platform
