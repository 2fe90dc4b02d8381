#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "BkSkinTestImages.h"
#include "bkwin/BkDialogViewImplEx.h"
#include "bkwin/BkPngPool.h"
#include "bkwin/BkResource.h"
#include "bkwin/BkShadowDrawable.h"
#include "bkwin/BkSkin.h"
#include "platform/window/HeadlessWindow.h"
#include "platform/window/HeadlessWindowSystem.h"

namespace BkWin {
namespace {

using bkwin_test::FillRect;
using bkwin_test::InkBounds;
using bkwin_test::PixelAt;
using platform::HeadlessWindow;
using platform::Rect;

constexpr std::uint32_t kRed = 0xFFFF0000, kGreen = 0xFF00FF00, kBlue = 0xFF0000FF;
constexpr char kLayout[] = R"(<layer width="40" height="30"><body/></layer>)";
constexpr int kShadow = 6;

class BkShadowTest : public ::testing::Test {
protected:
    void SetUp() override { BkSkin::Clear(); }
    void TearDown() override { BkSkin::Clear(); }

    HeadlessWindow& Window(CBkDialogViewImplEx& view) {
        return static_cast<HeadlessWindow&>(*view.NativeWindow());
    }
    HeadlessWindow* Shadow(CBkDialogViewImplEx& view) {
        return static_cast<HeadlessWindow*>(view.ShadowWindow());
    }
    // A shown window with a shadow of kShadow pixels and `hook`.
    void Open(CBkDialogViewImplEx& view, decltype(BkShadow::paint_hook) hook = nullptr) {
        view.Shadow().enabled = true;
        view.Shadow().size = kShadow;
        view.Shadow().paint_hook = std::move(hook);
        ASSERT_TRUE(view.LoadXml(kLayout));
        view.NativeWindow()->Show();
        system_.PaintPending();
    }

    platform::HeadlessWindowSystem system_;
};

TEST_F(BkShadowTest, ShadowIsAnOwnedPopupAroundTheWindow) {
    CBkDialogViewImplEx view(system_);
    std::vector<Rect> hook_rects;
    Open(view, [&](cairo_t*, const Rect& rect) {
        hook_rects.push_back(rect);
        return true;
    });
    ASSERT_EQ(system_.Windows().size(), 2u);
    HeadlessWindow* shadow = system_.Windows()[1];
    EXPECT_EQ(shadow, Shadow(view));
    EXPECT_EQ(shadow->Options().owner, view.NativeWindow());
    EXPECT_TRUE(shadow->Options().popup);
    EXPECT_TRUE(shadow->Options().translucent);
    EXPECT_FALSE(shadow->Options().in_task_bar);
    EXPECT_TRUE(shadow->IsVisible());
    EXPECT_EQ(shadow->Position(), (platform::Point{-kShadow, -kShadow}));
    EXPECT_EQ(shadow->ClientSize(), (platform::Size{40 + 2 * kShadow, 30 + 2 * kShadow}));
    ASSERT_EQ(hook_rects.size(), 1u);
    EXPECT_EQ(hook_rects[0], (Rect{0, 0, 40 + 2 * kShadow, 30 + 2 * kShadow}));

    // The pointer passes through the shadow to whatever lies below it.
    EXPECT_TRUE(shadow->Options().input_transparent);
    int notified = 0;
    view.on_notify = [&](BkNotify&) { ++notified; };
    platform::MouseEvent press;
    press.action = platform::MouseAction::kPress;
    press.button = platform::MouseButton::kLeft;
    EXPECT_FALSE(shadow->InjectMouse(press));
    EXPECT_EQ(notified, 0);
}

TEST_F(BkShadowTest, WindowWithoutShadowHasNoSecondWindow) {
    CBkDialogViewImplEx view(system_);
    ASSERT_TRUE(view.LoadXml(kLayout));
    view.NativeWindow()->Show();
    system_.PaintPending();
    EXPECT_EQ(system_.Windows().size(), 1u);
    EXPECT_EQ(view.ShadowWindow(), nullptr);
    EXPECT_EQ(view.RenderShadow(), nullptr);
}

TEST_F(BkShadowTest, ShadowShowsTheHookPainting) {
    CBkDialogViewImplEx view(system_);
    Open(view, [](cairo_t* cr, const Rect& rect) {
        cairo_set_source_rgb(cr, 0, 0, 1);
        cairo_rectangle(cr, rect.left, rect.top, 1, 1);
        cairo_fill(cr);
        return false;
    });
    cairo_surface_t* surface = Shadow(view)->Surface();
    EXPECT_EQ(PixelAt(surface, 0, 0), kBlue);
    EXPECT_EQ(InkBounds(surface), (Rect{0, 0, 1, 1}));
}

TEST_F(BkShadowTest, ShadowHidesWithTheWindowAndComesBackRedrawn) {
    CBkDialogViewImplEx view(system_);
    int paints = 0;
    Open(view, [&](cairo_t*, const Rect&) {
        ++paints;
        return false;
    });
    HeadlessWindow& window = Window(view);
    HeadlessWindow* shadow = Shadow(view);

    window.Minimize();
    EXPECT_FALSE(shadow->IsVisible());
    window.Restore();
    EXPECT_TRUE(shadow->IsVisible());
    EXPECT_EQ(paints, 2);

    window.Hide();
    view.UpdateShadow();
    EXPECT_FALSE(shadow->IsVisible());
    window.Show();
    system_.PaintPending();
    EXPECT_TRUE(shadow->IsVisible());
    EXPECT_EQ(paints, 3);

    // A new size is drawn at the window's next paint, not before.
    window.Resize({50, 20});
    EXPECT_EQ(paints, 3);
    system_.PaintPending();
    EXPECT_EQ(paints, 4);
    EXPECT_EQ(shadow->ClientSize(), (platform::Size{50 + 2 * kShadow, 20 + 2 * kShadow}));
    // Painting again without a change leaves the image as it is.
    window.InvalidateAll();
    system_.PaintPending();
    EXPECT_EQ(paints, 4);

    window.Resize({0, 0});
    EXPECT_FALSE(shadow->IsVisible());
}

TEST_F(BkShadowTest, DestroyingTheViewDestroysTheShadow) {
    {
        CBkDialogViewImplEx view(system_);
        Open(view);
        EXPECT_EQ(system_.Windows().size(), 2u);
    }
    EXPECT_TRUE(system_.Windows().empty());
}

class BkShadowFrameTest : public BkShadowTest {
protected:
    void SetUp() override {
        BkShadowTest::SetUp();
        folder_ = bkwin_test::TempFolder("shadow");
        BkResource::SetOverrideFolder(folder_);
        BkPngPool::Clear();
        // 6×6: corners of (6 − 2) / 2 = 2 pixels, red at the top left, green elsewhere.
        bkwin_test::WritePng(folder_ / "png" / "3001.png", 6, 6, [](cairo_surface_t* s) {
            FillRect(s, {0, 0, 6, 6}, kGreen);
            FillRect(s, {0, 0, 2, 2}, kRed);
        });
        ASSERT_TRUE(BkSkin::LoadSkins(R"(<skins><png name="dlg_shadow" src="3001"/></skins>)"));
    }
    void TearDown() override {
        BkPngPool::Clear();
        BkResource::SetOverrideFolder({});
        std::filesystem::remove_all(folder_);
        BkShadowTest::TearDown();
    }

    std::filesystem::path folder_;
};

TEST_F(BkShadowFrameTest, FrameSurroundsTheWindowWhenTheHookAsks) {
    CBkDialogViewImplEx view(system_);
    Open(view);  // no hook: the frame alone
    cairo_surface_t* surface = Shadow(view)->Surface();
    // The frame is 2 pixels wide around the window's place at (6, 6)–(46, 36).
    EXPECT_EQ(InkBounds(surface), (Rect{4, 4, 48, 38}));
    EXPECT_EQ(PixelAt(surface, 4, 4), kRed);
    EXPECT_EQ(PixelAt(surface, 5, 5), kRed);
    EXPECT_EQ(PixelAt(surface, 6, 4), kGreen);
    EXPECT_EQ(PixelAt(surface, 47, 37), kGreen);
    EXPECT_EQ(PixelAt(surface, 20, 20) >> 24, 0u);  // the window's place stays clear
}

TEST_F(BkShadowFrameTest, HookReturningFalseSuppressesTheFrame) {
    CBkDialogViewImplEx asks(system_), refuses(system_);
    Open(asks, [](cairo_t*, const Rect&) { return true; });
    Open(refuses, [](cairo_t*, const Rect&) { return false; });
    EXPECT_EQ(PixelAt(Shadow(asks)->Surface(), 4, 4), kRed);
    EXPECT_TRUE(InkBounds(Shadow(refuses)->Surface()).IsEmpty());
}

TEST(BkShadowDrawableTest, HalfImageMarginsKeepCornersUnstretched) {
    bkwin_test::Surface image = bkwin_test::NewSurface(5, 4);
    FillRect(image.get(), {0, 0, 5, 4}, kGreen);
    FillRect(image.get(), {0, 0, 2, 2}, kRed);  // top-left corner: w/2 × h/2
    FillRect(image.get(), {3, 3, 5, 4}, kBlue);  // bottom-right corner: (w−w/2−1) × (h−h/2−1)
    const BkShadowDrawable drawable(image.get());
    EXPECT_EQ(drawable.Margins(), (Rect{2, 2, 2, 1}));

    bkwin_test::Surface target = bkwin_test::NewSurface(30, 20);
    cairo_t* cr = cairo_create(target.get());
    drawable.Draw(cr, {0, 0, 30, 20});
    cairo_destroy(cr);
    EXPECT_EQ(PixelAt(target.get(), 1, 1), kRed);
    EXPECT_EQ(PixelAt(target.get(), 2, 2), kGreen);  // the corner did not grow
    EXPECT_EQ(PixelAt(target.get(), 28, 19), kBlue);
    EXPECT_EQ(PixelAt(target.get(), 27, 19), kGreen);
    EXPECT_EQ(PixelAt(target.get(), 29, 18), kGreen);
}

}  // namespace
}  // namespace BkWin
