#pragma once

#include <mupdf/fitz.h>

#include <cstddef>
#include <functional>
#include <string>

namespace convcore {

// A page placed for drawing: the transform from page space to pixels and the pixel box it
// covers, rounded the way MuPDF's own tools round it.
struct PagePlacement {
    fz_rect bounds = fz_empty_rect;  // the page in points, rotated
    fz_matrix transform = fz_identity;
    fz_irect box = fz_empty_irect;

    int Width() const { return box.x1 - box.x0; }
    int Height() const { return box.y1 - box.y0; }
};

// `scale` 1 draws 72 pixels per inch; the page's rotation is applied.
bool PlacePage(fz_context* context, fz_page* page, float scale, PagePlacement* placement,
               std::string* error);

// Receives the drawn rows from the top down: `count` rows of 8-bit RGB, `stride` bytes apart.
using RowSink = std::function<bool(const unsigned char* rows, std::ptrdiff_t stride, int count,
                                   std::string* error)>;

// Draws the page onto rows `canvas_width` pixels wide, centred (the rest white), and hands
// them to `sink` band by band: a page of any size needs at most about kBandBytes of pixels at a
// time. A page that fits one band is drawn straight from its content, as MuPDF's own tools do;
// a taller one is recorded once and replayed per band.
constexpr std::size_t kBandBytes = std::size_t{32} << 20;
bool DrawPageRows(fz_context* context, fz_page* page, const PagePlacement& placement,
                  int canvas_width, fz_cookie* cookie, const RowSink& sink, std::string* error);

}  // namespace convcore
