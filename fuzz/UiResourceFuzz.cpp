// Layouts, skins, styles, strings and PNG images are read from resources that a development
// folder can override, so each loader must survive any bytes. The first byte picks the
// loader; a layout that loads must also lay out and paint.
#include <cairo.h>

#include <cstddef>
#include <cstdint>
#include <string_view>

#include "bkwin/BkDialogViewImplEx.h"
#include "bkwin/BkPngPool.h"
#include "bkwin/BkSkin.h"
#include "bkwin/BkString.h"
#include "bkwin/BkStyle.h"
#include "platform/window/HeadlessWindowSystem.h"

namespace {

void LoadLayout(std::string_view xml) {
    platform::HeadlessWindowSystem system;
    BkWin::CBkDialogViewImplEx view(system);
    if (!view.LoadXml(xml))
        return;
    view.NativeWindow()->Show();
    system.PaintPending();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0)
        return 0;
    const std::string_view text(reinterpret_cast<const char*>(data + 1), size - 1);
    switch (data[0] % 5) {
        case 0:
            LoadLayout(text);
            break;
        case 1:
            BkWin::BkSkin::LoadSkins(text);
            BkWin::BkSkin::Clear();
            break;
        case 2:
            BkWin::BkStyle::LoadStyles(text);
            BkWin::BkStyle::Clear();
            break;
        case 3:
            BkWin::BkString::LoadStrings(text);
            BkWin::BkString::ReplaceMarkers(text);
            BkWin::BkString::Clear();
            break;
        default:
            if (cairo_surface_t* image = BkWin::BkPngPool::Decode(text))
                cairo_surface_destroy(image);
            break;
    }
    return 0;
}
