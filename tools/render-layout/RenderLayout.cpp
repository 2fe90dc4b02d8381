// Renders one layout resource off screen into a PNG: quire-render-layout ID OUT.png
#include <cairo.h>

#include <cstdio>
#include <filesystem>
#include <string>

#include "bkwin/BkDialogViewImplEx.h"
#include "bkwin/BkLib.h"
#include "platform/Text.h"
#include "platform/window/HeadlessWindowSystem.h"

namespace {

constexpr int kBadArguments = 2;

int Usage() {
    std::fprintf(stderr, "usage: quire-render-layout LAYOUT_ID OUT.png\n");
    return kBadArguments;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 3)
        return Usage();
    const std::string id_text = argv[1];
    const int id = platform::ParseIntLikeWtoi(id_text);
    if (id <= 0 || std::to_string(id) != id_text)
        return Usage();
    if (!BkWin::InitBkLib(0))
        std::fprintf(stderr, "warning: some framework resources are missing\n");
    platform::HeadlessWindowSystem system;
    BkWin::CBkDialogViewImplEx view(system);
    if (!view.Load(id)) {
        std::fprintf(stderr, "cannot load layout %d: %s\n", id, view.LastError().c_str());
        return kBadArguments;
    }
    view.NativeWindow()->Show();
    system.PaintPending();
    view.UpdateOffscreen();
    // A half-written file must never stand where an earlier rendering was.
    const std::filesystem::path output = argv[2];
    std::filesystem::path partial = output;
    partial += ".part";
    cairo_surface_t* image = view.Offscreen();
    std::error_code error;
    if (!image || cairo_surface_write_to_png(image, partial.c_str()) != CAIRO_STATUS_SUCCESS) {
        std::filesystem::remove(partial, error);
        std::fprintf(stderr, "cannot write %s\n", argv[2]);
        return 1;
    }
    std::filesystem::rename(partial, output, error);
    if (error) {
        std::filesystem::remove(partial, error);
        std::fprintf(stderr, "cannot write %s\n", argv[2]);
        return 1;
    }
    return 0;
}
