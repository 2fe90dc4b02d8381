#pragma once

#include <cairo.h>

#include <cstdint>
#include <memory>
#include <string>

#include "convcore/CadDrawing.h"

namespace convcore {

// How much larger the font's em is than a drawing's text height, which measures capitals.
inline constexpr double kEmPerTextHeight = 1.35;

// Draws drawing texts with pango into a cairo context, one layout reused for all of them.
// Chinese needs a CJK face; it is the TrueType one text pages use (TextToPdfFonts.h), since
// cairo cannot subset the CFF faces safely.
class CadTextPainter {
public:
    // Nullptr with the reason when no fonts can be had.
    static std::unique_ptr<CadTextPainter> Create(cairo_t* cairo, std::string* error);
    ~CadTextPainter();
    CadTextPainter(const CadTextPainter&) = delete;
    CadTextPainter& operator=(const CadTextPainter&) = delete;

    // `to_page` places the text's drawing coordinates on the page. Texts too small to see
    // are left out. Leaves the cairo matrix changed.
    void Paint(const CadText& text, const CadAffine& to_page, std::uint32_t rgb);

private:
    struct Pango;
    CadTextPainter(cairo_t* cairo, std::unique_ptr<Pango> pango);

    cairo_t* cairo_;
    std::unique_ptr<Pango> pango_;
};

}  // namespace convcore
