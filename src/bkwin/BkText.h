#pragma once

#include <cairo.h>

#include <string_view>

#include "bkwin/BkFontPool.h"
#include "bkwin/BkStyle.h"
#include "platform/window/Geometry.h"

namespace BkWin {

// The Windows DT_* flags the styles' "textmode" uses.
enum TextMode : unsigned {
    kTextLeft = 0x0,
    kTextCenter = 0x1,
    kTextRight = 0x2,
    kTextVCenter = 0x4,
    kTextBottom = 0x8,
    kTextWordBreak = 0x10,
    kTextSingleLine = 0x20,
    kTextEndEllipsis = 0x8000,
};

class BkText {
public:
    // Pixel size of `text` in `font`; with kTextWordBreak it wraps at `max_width`.
    static platform::Size Measure(std::string_view text, const BkFont& font, unsigned mode,
                                  int max_width = -1);
    static void Draw(cairo_t* cr, std::string_view text, const platform::Rect& rect,
                     const BkFont& font, Colour colour, unsigned mode, int alpha = 255);
};

}  // namespace BkWin
