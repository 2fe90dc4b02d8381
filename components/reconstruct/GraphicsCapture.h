#pragma once

#include <string>
#include <vector>

#include "reconstruct/Geometry.h"
#include "reconstruct/RawPage.h"

typedef struct fz_context fz_context;
typedef struct fz_display_list fz_display_list;

namespace reconstruct {

// What a page draws besides text, sorted the way reconstruction needs it.
struct CapturedDrawing {
    std::vector<RawRule> rules;
    std::vector<RawFill> fills;
    std::vector<RawImage> images;
    // Bounds of drawings that are neither rules nor fills (curves, diagonals, shadings, stencil
    // masks, patterns): the places to render as pictures.
    std::vector<Rect> graphics;
    int visible_glyphs = 0;    // drawn (filled or stroked) text
    int invisible_glyphs = 0;  // text drawn in the invisible mode, e.g. an OCR layer
};

// Walks the display list of one page (drawn with the identity transform, so in page points,
// top-left origin) and sorts what it draws. `page_box` clips everything. Each kind is bounded
// (20000 rules, 20000 fills, 300 images); what a page draws beyond that is dropped.
bool CaptureDrawing(fz_context* context, fz_display_list* list, const Rect& page_box,
                    CapturedDrawing* out, std::string* error);

}  // namespace reconstruct
