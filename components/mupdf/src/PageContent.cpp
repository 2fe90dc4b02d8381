#include "PageContent.h"

#include <mupdf/fitz.h>
#include <mupdf/pdf.h>

namespace quiremupdf {
namespace {

// A scan often carries a clip rectangle or a white background fill next to its image; that
// many paths still leave a page "image only" (or "blank" without an image).
constexpr long kIncidentalPaths = 8;
// A drawing is mostly straight strokes: at least this many, far more lines than curves and
// more lines than the glyphs of its labels.
constexpr long kDrawingMinLines = 200;
constexpr long kDrawingLinesPerCurve = 4;
constexpr long kDrawingLinesPerGlyph = 2;
// Stop checks cost a clock read; do one every so many device calls.
constexpr unsigned kStopCheckInterval = 64;

struct CountingDevice {
    fz_device super;
    PageContent* content;
    fz_cookie* cookie;
    const std::function<bool()>* stop;
    unsigned calls;
};

CountingDevice* Counting(fz_device* device) {
    return reinterpret_cast<CountingDevice*>(device);
}

PageContent& Tick(fz_device* device) {
    CountingDevice* self = Counting(device);
    if (++self->calls % kStopCheckInterval == 0 && *self->stop && (*self->stop)()) {
        self->cookie->abort = 1;
        self->content->complete = false;
    }
    return *self->content;
}

void CountMove(fz_context*, void*, float, float) {}
void CountLine(fz_context*, void* arg, float, float) {
    ++static_cast<PageContent*>(arg)->line_segments;
}
void CountCurve(fz_context*, void* arg, float, float, float, float, float, float) {
    ++static_cast<PageContent*>(arg)->curve_segments;
}
void CountClose(fz_context*, void*) {}
void CountQuad(fz_context*, void* arg, float, float, float, float) {
    ++static_cast<PageContent*>(arg)->curve_segments;
}
void CountRect(fz_context*, void* arg, float, float, float, float) {
    static_cast<PageContent*>(arg)->line_segments += 4;
}

const fz_path_walker kSegmentCounter = {CountMove, CountLine, CountCurve, CountClose,
                                        CountQuad, CountQuad, CountQuad,  CountRect};

long Glyphs(const fz_text* text) {
    long glyphs = 0;
    for (const fz_text_span* span = text->head; span != nullptr; span = span->next)
        glyphs += span->len;
    return glyphs;
}

void FillPath(fz_context*, fz_device* device, const fz_path*, int, fz_matrix, fz_colorspace*,
              const float*, float, fz_color_params) {
    ++Tick(device).filled_paths;
}

void StrokePath(fz_context* context, fz_device* device, const fz_path* path, const fz_stroke_state*,
                fz_matrix, fz_colorspace*, const float*, float, fz_color_params) {
    PageContent& content = Tick(device);
    ++content.stroked_paths;
    fz_walk_path(context, path, &kSegmentCounter, &content);
}

void FillText(fz_context*, fz_device* device, const fz_text* text, fz_matrix, fz_colorspace*,
              const float*, float, fz_color_params) {
    Tick(device).glyphs += Glyphs(text);
}

void StrokeText(fz_context*, fz_device* device, const fz_text* text, const fz_stroke_state*,
                fz_matrix, fz_colorspace*, const float*, float, fz_color_params) {
    Tick(device).glyphs += Glyphs(text);
}

void ClipText(fz_context*, fz_device* device, const fz_text* text, fz_matrix, fz_rect) {
    Tick(device).glyphs += Glyphs(text);
}

void ClipStrokeText(fz_context*, fz_device* device, const fz_text* text, const fz_stroke_state*,
                    fz_matrix, fz_rect) {
    Tick(device).glyphs += Glyphs(text);
}

// Invisible text is the text layer of a recognised scan: such a page is already convertible.
void IgnoreText(fz_context*, fz_device* device, const fz_text* text, fz_matrix) {
    Tick(device).glyphs += Glyphs(text);
}

void FillShade(fz_context*, fz_device* device, fz_shade*, fz_matrix, float, fz_color_params) {
    ++Tick(device).shadings;
}

void FillImage(fz_context*, fz_device* device, fz_image*, fz_matrix, float, fz_color_params) {
    ++Tick(device).images;
}

void FillImageMask(fz_context*, fz_device* device, fz_image*, fz_matrix, fz_colorspace*,
                   const float*, float, fz_color_params) {
    ++Tick(device).images;
}

// MuPDF's allocation macro names its context `ctx`.
fz_device* NewCountingDevice(fz_context* ctx, PageContent* content, fz_cookie* cookie,
                             const std::function<bool()>* stop) {
    CountingDevice* device = fz_new_derived_device(ctx, CountingDevice);
    device->super.fill_path = FillPath;
    device->super.stroke_path = StrokePath;
    device->super.fill_text = FillText;
    device->super.stroke_text = StrokeText;
    device->super.clip_text = ClipText;
    device->super.clip_stroke_text = ClipStrokeText;
    device->super.ignore_text = IgnoreText;
    device->super.fill_shade = FillShade;
    device->super.fill_image = FillImage;
    device->super.fill_image_mask = FillImageMask;
    device->content = content;
    device->cookie = cookie;
    device->stop = stop;
    device->calls = 0;
    return &device->super;
}

}  // namespace

PageContent ScanPageContent(fz_context* context, pdf_page* page,
                            const std::function<bool()>& stop) {
    PageContent content;
    fz_cookie cookie{};
    fz_device* device = nullptr;
    fz_var(device);
    fz_try(context) {
        device = NewCountingDevice(context, &content, &cookie, &stop);
        pdf_run_page_contents(context, page, device, fz_identity, &cookie);
        fz_close_device(context, device);
    }
    fz_always(context) {
        fz_drop_device(context, device);
    }
    fz_catch(context) {
        content.complete = false;
    }
    if (cookie.abort || cookie.incomplete)
        content.complete = false;
    return content;
}

PageKind ClassifyPage(const PageContent& content) {
    const long paths = content.filled_paths + content.stroked_paths;
    const bool only_incidental_paths = paths <= kIncidentalPaths && content.shadings == 0;
    if (content.glyphs == 0 && only_incidental_paths)
        return content.images > 0 ? PageKind::kImageOnly : PageKind::kBlank;
    const bool drawing = content.images == 0 && content.line_segments >= kDrawingMinLines &&
                         content.line_segments >= kDrawingLinesPerCurve * content.curve_segments &&
                         content.line_segments >= kDrawingLinesPerGlyph * content.glyphs;
    return drawing ? PageKind::kDrawing : PageKind::kOther;
}

}  // namespace quiremupdf
