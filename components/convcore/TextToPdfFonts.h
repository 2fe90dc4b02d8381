#pragma once

#include <pango/pango.h>

#include <string>

namespace convcore {

// A new font map for text pages that never hands out a font in CFF form: cairo 1.16 aborts the
// process while it subsets CID-keyed CFF fonts (the CJK faces of Noto among them) once glyphs
// that share hinted subroutines come in certain orders, which real Chinese text reaches
// within a page or two. CJK text therefore takes a TrueType face ("WenQuanYi Micro Hei").
// Nullptr with the reason when the font configuration cannot be made; the caller owns the map.
PangoFontMap* NewFontMapWithoutCff(std::string* error);

}  // namespace convcore
