#pragma once

#include <functional>
#include <string>

#include "reconstruct/RawPage.h"

typedef struct fz_context fz_context;
typedef struct fz_page fz_page;

namespace reconstruct {

struct ExtractOptions {
    int graphics_dpi = 150;           // resolution of vector drawings rendered to pictures
    std::function<bool()> cancelled;  // polled between steps; may be empty
    bool text_only = false;           // text lines alone: no drawings, pictures or links
};

// Everything reconstruction needs from one loaded page (`index` is 0-based): text lines with
// their styles, decorations and links, rules, fills, images, and drawings rendered as
// pictures. MuPDF errors never escape; on failure false with the reason in `error`.
bool ExtractPage(fz_context* context, fz_page* page, int index, const ExtractOptions& options,
                 RawPage* out, std::string* error);

// The page as one picture, for pages without a text layer: when a single image covers the
// page, that image's own bytes (JPEG kept as it is) and box; otherwise the page rendered at
// `dpi` as PNG.
bool RenderPagePicture(fz_context* context, fz_page* page, int dpi, RawImage* out,
                       std::string* error);

}  // namespace reconstruct
