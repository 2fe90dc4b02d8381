// The framework's demo window on the real toolkit: it opens at its layout's size, takes files
// dropped from a file manager, and takes text typed into the edit its layout leaves room for.
#include <gtest/gtest.h>
#include <gtk/gtk.h>

#include <filesystem>
#include <fstream>
#include <memory>
#include <vector>

#include "bkwin/BkDialogViewImplEx.h"
#include "bkwin/BkLib.h"
#include "bkwin/BkRealWnd.h"
#include "gtk/GtkTestSupport.h"
#include "platform/FileUri.h"
#include "platform/gtk/GtkNativeWindow.h"
#include "platform/gtk/GtkWindowSystem.h"

namespace platform {
namespace {

constexpr int kDemoLayout = 19999;
constexpr int kOutputFolderEdit = 151;

TEST(DemoWindow, OpensTakesADropAndTypedText) {
    auto system = GtkWindowSystem::Create();
    ASSERT_NE(system, nullptr) << "no display";
    ASSERT_TRUE(BkWin::InitBkLib(0));
    BkWin::CBkDialogViewImplEx view(*system);
    ASSERT_TRUE(view.Load(kDemoLayout)) << view.LastError();
    auto& window = static_cast<GtkNativeWindow&>(*view.NativeWindow());
    window.Show();
    ASSERT_TRUE(SpinUntil([&] { return gtk_widget_get_mapped(window.Canvas()); }));
    ASSERT_TRUE(SpinUntil([&] { return view.Offscreen() != nullptr; }));
    EXPECT_EQ(window.ClientSize(), (Size{980, 600}));

    const std::filesystem::path folder = testing::TempDir() + "quire-demo-drop";
    std::filesystem::create_directories(folder);
    const std::filesystem::path file = folder / "季度报告.pdf";
    std::ofstream(file) << "%PDF-1.4\n";
    std::vector<std::filesystem::path> dropped;
    window.on_drop = [&](const std::vector<std::filesystem::path>& files, Point) {
        dropped = files;
    };
    ASSERT_TRUE(
        EmitUriListDrop(window.Canvas(), FileUriFromPath(file.string()) + "\r\n", {480, 140}));
    EXPECT_EQ(dropped, std::vector<std::filesystem::path>{file});

    auto* place = view.FindControl<BkWin::CBkRealWnd>(kOutputFolderEdit);
    ASSERT_NE(place, nullptr);
    place->AttachEdit(window.CreateEdit({}));
    place->Edit()->Focus();
    SpinPending();
    TypeText(window, "输出目录");
    EXPECT_EQ(place->Edit()->Text(), "输出目录");
    std::filesystem::remove_all(folder);
}

}  // namespace
}  // namespace platform
