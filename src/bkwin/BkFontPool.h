#pragma once

#include <pango/pango.h>

#include <cstdint>
#include <string>
#include <string_view>

namespace BkWin {

// Fonts by code: low byte 1 italic, 2 underline, 4 bold; high byte (signed) enlarges the base
// height of 12 pixels. Fonts are created on first request and kept. UI thread only.
struct BkFont {
    PangoFontDescription* description = nullptr;  // owned by the pool
    bool underline = false;
    int pixel_height = 12;
};

class BkFontPool {
public:
    static const BkFont& GetFont(std::uint16_t code, bool dpi);
    // The Windows face names map to installed CJK faces through fontconfig. Fonts already
    // handed out keep their face: start-up sets it before the first request.
    static void SetBaseFont(const std::string& face, int height = -12);
    static std::string BaseFace();
    static void Clear();

    // The installed family that draws `face` (fontconfig's choice, kept for the process).
    static std::string InstalledFamily(std::string_view face);
    // The face start-up chooses: "微软雅黑" when the sans-serif CJK face it maps to is
    // installed, else "宋体".
    static std::string ChooseBaseFace();
    // The pixel height a code asks for, before any DPI scaling.
    static int PixelHeight(std::uint16_t code);
};

}  // namespace BkWin
