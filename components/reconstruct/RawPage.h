#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "reconstruct/FontStyle.h"
#include "reconstruct/Geometry.h"

namespace reconstruct {

enum class VerticalShift : std::uint8_t { kNone, kSuperscript, kSubscript };

// One character as the page draws it.
struct RawChar {
    char32_t code = 0;
    Rect box;                // the glyph's box (for a space: the gap it fills)
    int style = 0;           // index into RawPage::styles
    int link = -1;           // index into RawPage::links, -1 when the character is not in a link
    bool underline = false;  // a rule runs under it
    bool strike = false;     // a rule runs through it
    VerticalShift shift = VerticalShift::kNone;  // raised or lowered and smaller than its line
};

// One line of text in drawing order: characters on a common baseline, left to right. Spaces
// between words are present as characters (MuPDF inserts them where the gaps are).
struct RawLine {
    Rect box;
    double baseline = 0;  // y of the baseline
    std::vector<RawChar> chars;
};

// A straight stroked line or a thin filled rectangle: table rules, underlines, separators.
struct RawRule {
    Rect box;  // for a horizontal rule y0..y1 is its thickness, for a vertical one x0..x1
    bool horizontal = true;
    double thickness = 0;
    Rgb color;
};

// A filled rectangle that is not thin: cell shading, coloured bands.
struct RawFill {
    Rect box;
    Rgb color;
};

struct RawImage {
    Rect box;                          // where it is drawn
    std::string mime;                  // "image/png" or "image/jpeg"
    std::vector<unsigned char> bytes;  // encoded; JPEG streams are kept as they are
    int pixel_width = 0;
    int pixel_height = 0;
};

struct RawLink {
    Rect box;
    std::string uri;  // external links only (http, https, mailto)
};

// Vector drawing that is neither a rule nor a fill (curves, diagrams), rendered to a picture
// without the text over it, so that writers can place it where no shape mapping exists.
struct RawGraphic {
    Rect box;
    std::vector<unsigned char> png;
    int pixel_width = 0;
    int pixel_height = 0;
};

// Everything on one page that reconstruction works from. Lines, rules and images are in the
// page's drawing order; nothing is grouped yet.
struct RawPage {
    int index = 0;  // 0-based page number in the document
    double width = 0;
    double height = 0;
    std::vector<FontStyle> styles;
    std::vector<RawLine> lines;
    std::vector<RawRule> rules;
    std::vector<RawFill> fills;
    std::vector<RawImage> images;
    std::vector<RawLink> links;
    std::vector<RawGraphic> graphics;
    // True when the page shows only images (a scan): no text layer to rebuild.
    bool image_only = false;
};

}  // namespace reconstruct
