#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace BkWin {

struct Colour {
    std::uint8_t red = 0;
    std::uint8_t green = 0;
    std::uint8_t blue = 0;
    friend bool operator==(const Colour&, const Colour&) = default;
};
// "RRGGBB", without prefix; nothing for anything else.
std::optional<Colour> ParseColour(std::string_view text);

// One "class" element of the style resource. Unset values leave the control's default.
struct BkStyle {
    std::string name;
    std::string skin;
    std::optional<unsigned> text_mode;  // Windows DT_* flags, 0x10000 cleared
    std::optional<Colour> crbg, crbghover, crtext, crhover, crdisabled, crpush, crshadow;
    std::optional<std::uint16_t> font, hover_font, push_font;
    int x_margin = 0;
    int y_margin = 0;
    int spacing = 0;
    int line_spacing = 0;
    int shadow = 0, gdiplus = 0, bggdiplus = 0, gditxtrndhit = 0, gdipluscalctxt = 0,
        yhresizedisable = 0;
    std::optional<int> alpha_text, alpha_bg;
    bool hand_cursor = false;

    // Applies one attribute; false for a name that is not a style attribute.
    bool SetAttribute(std::string_view name, std::string_view value);

    // The process-wide registry, filled from XML resource 60001 ("style" root).
    static bool LoadStyles(std::string_view xml);
    static const BkStyle* GetStyle(std::string_view name);  // null when unknown
    static void Clear();
};

}  // namespace BkWin
