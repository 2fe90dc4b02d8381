#pragma once

#include <cairo.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "quire-mupdf/MupdfContext.h"

typedef struct fz_document fz_document;
typedef struct fz_page fz_page;

// PDFs drawn with cairo and pango for extraction tests: real fonts, real text layers.
namespace drawnpdf {

using PageDrawing = std::function<void(cairo_t*)>;

// A PDF with one page of `width` x `height` points per drawing.
std::string Draw(double width, double height, const std::vector<PageDrawing>& pages);

struct TextExtent {
    double baseline = 0;
    double right = 0;
};

// Draws `text` with its top left corner at (x, top) in a pango font description such as
// "DejaVu Serif Bold 12", in the current source colour.
TextExtent Text(cairo_t* cr, double x, double top, const std::string& text,
                const std::string& font);
// The same with the baseline of the text's first line at `baseline`.
TextExtent TextOnBaseline(cairo_t* cr, double x, double baseline, const std::string& text,
                          const std::string& font);

void Stroke(cairo_t* cr, double x0, double y0, double x1, double y1, double width);

// A 16 x 12 baseline JPEG and an RGB surface showing it (with the JPEG attached, so that cairo
// embeds the JPEG stream as it is).
const std::vector<unsigned char>& SmallJpeg();
cairo_surface_t* JpegSurface();
// A 16 x 12 surface without attached data: cairo embeds it losslessly.
cairo_surface_t* PlainSurface();
// Paints `surface` scaled into the box.
void Picture(cairo_t* cr, cairo_surface_t* surface, double x, double y, double width,
             double height);

// A PDF opened with MuPDF, pages loaded on demand and kept until the end.
class Document {
public:
    explicit Document(const std::string& pdf);
    ~Document();
    Document(const Document&) = delete;
    Document& operator=(const Document&) = delete;

    fz_context* Context() const;
    fz_page* Page(int index);  // nullptr when it cannot be loaded

private:
    std::string data_;
    std::unique_ptr<quiremupdf::MupdfContext> context_;
    fz_document* document_ = nullptr;
    std::vector<fz_page*> pages_;
};

}  // namespace drawnpdf
