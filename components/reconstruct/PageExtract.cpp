#include "reconstruct/PageExtract.h"

#include <mupdf/fitz.h>

#include <strings.h>
#include <algorithm>
#include <cmath>

#include "reconstruct/GraphicsCapture.h"
#include "reconstruct/GraphicsRender.h"
#include "reconstruct/TextExtract.h"
#include "reconstruct/TextMarks.h"

namespace reconstruct {
namespace {

constexpr std::size_t kMaxLinks = 500;
constexpr std::size_t kMaxGraphicRegions = 32;
constexpr double kRegionGap = 4;      // points between drawings that form one picture
constexpr double kRegionMargin = 2;   // points around a drawing, for stroke ends and smoothing
constexpr double kPageCovered = 0.9;  // of the page's area: an image this large is the page
constexpr double kMaxPagePixels = 40e6;

// The page's display list, interpreted once and replayed for text, drawing and rendering.
class PageList {
public:
    PageList(fz_context* ctx) : ctx_(ctx) {}
    ~PageList() { fz_drop_display_list(ctx_, list_); }
    PageList(const PageList&) = delete;
    PageList& operator=(const PageList&) = delete;

    bool Load(fz_page* page, std::string* error) {
        fz_try(ctx_) {
            bounds_ = fz_bound_page(ctx_, page);
            list_ = fz_new_display_list_from_page(ctx_, page);
        }
        fz_catch(ctx_) {
            *error = std::string("cannot load the page: ") + fz_caught_message(ctx_);
            return false;
        }
        box_ = {bounds_.x0, bounds_.y0, bounds_.x1, bounds_.y1};
        return true;
    }

    fz_display_list* Get() const { return list_; }
    const Rect& Box() const { return box_; }

private:
    fz_context* ctx_;
    fz_display_list* list_ = nullptr;
    fz_rect bounds_ = fz_empty_rect;
    Rect box_;
};

bool IsWebUri(const char* uri) {
    return strncasecmp(uri, "http://", 7) == 0 || strncasecmp(uri, "https://", 8) == 0 ||
           strncasecmp(uri, "mailto:", 7) == 0;
}

// Links are a nicety: a page whose annotations cannot be read still has its text.
void ReadLinks(fz_context* ctx, fz_page* page, std::vector<RawLink>* out) {
    fz_link* links = nullptr;
    fz_var(links);
    fz_try(ctx) links = fz_load_links(ctx, page);
    fz_catch(ctx) links = nullptr;
    for (const fz_link* link = links; link != nullptr && out->size() < kMaxLinks;
         link = link->next) {
        if (link->uri != nullptr && IsWebUri(link->uri))
            out->push_back(
                {{link->rect.x0, link->rect.y0, link->rect.x1, link->rect.y1}, link->uri});
    }
    fz_drop_link(ctx, links);
}

void MarkLinks(RawPage* page) {
    if (page->links.empty())
        return;
    for (RawLine& line : page->lines) {
        for (RawChar& c : line.chars) {
            for (std::size_t i = 0; i < page->links.size(); ++i) {
                if (page->links[i].box.Contains(c.box.CenterX(), c.box.CenterY())) {
                    c.link = static_cast<int>(i);
                    break;
                }
            }
        }
    }
}

std::vector<Rect> GraphicRegions(const std::vector<Rect>& boxes, const Rect& page) {
    std::vector<Rect> regions = GroupGraphicRegions(boxes, kRegionGap, kMaxGraphicRegions);
    for (Rect& region : regions) {
        region = Rect{region.x0 - kRegionMargin, region.y0 - kRegionMargin,
                      region.x1 + kRegionMargin, region.y1 + kRegionMargin}
                     .Intersected(page);
    }
    std::erase_if(regions, [](const Rect& r) { return r.IsEmpty(); });
    return regions;
}

bool Cancelled(const ExtractOptions& options, std::string* error) {
    if (!options.cancelled || !options.cancelled())
        return false;
    *error = "cancelled";
    return true;
}

bool HasText(const RawPage& page) {
    return std::any_of(page.lines.begin(), page.lines.end(),
                       [](const RawLine& line) { return !line.chars.empty(); });
}

double Area(const Rect& r) {
    return r.IsEmpty() ? 0 : r.Width() * r.Height();
}

// The one image a scanned page consists of, when that is all the page shows.
const RawImage* PageSizedImage(const CapturedDrawing& drawing, const Rect& page) {
    if (drawing.images.size() != 1 || !drawing.graphics.empty() || drawing.visible_glyphs > 0)
        return nullptr;
    const RawImage& image = drawing.images.front();
    if (Area(image.box.Intersected(page)) < kPageCovered * Area(page))
        return nullptr;
    return &image;
}

// Pixels per point for rendering the page at `dpi`, lowered for very large pages.
float PageScale(const Rect& page, int dpi) {
    const double scale = std::max(dpi, 1) / 72.0;
    const double pixels = Area(page) * scale * scale;
    return static_cast<float>(pixels > kMaxPagePixels ? scale * std::sqrt(kMaxPagePixels / pixels)
                                                      : scale);
}

bool RenderWholePage(fz_context* ctx, fz_display_list* list, const Rect& page, int dpi,
                     RawImage* out, std::string* error) {
    const float scale = PageScale(page, dpi);
    fz_pixmap* pixmap = nullptr;
    fz_buffer* png = nullptr;
    fz_var(pixmap);
    fz_var(png);
    fz_try(ctx) {
        pixmap = fz_new_pixmap_from_display_list(ctx, list, fz_scale(scale, scale),
                                                 fz_device_rgb(ctx), 0);
        png = fz_new_buffer_from_pixmap_as_png(ctx, pixmap, fz_default_color_params);
    }
    fz_catch(ctx) {
        fz_drop_pixmap(ctx, pixmap);
        *error = std::string("cannot render the page: ") + fz_caught_message(ctx);
        return false;
    }
    out->box = page;
    out->mime = "image/png";
    out->pixel_width = fz_pixmap_width(ctx, pixmap);
    out->pixel_height = fz_pixmap_height(ctx, pixmap);
    unsigned char* data = nullptr;
    const std::size_t size = fz_buffer_storage(ctx, png, &data);
    out->bytes.assign(data, data + size);
    fz_drop_buffer(ctx, png);
    fz_drop_pixmap(ctx, pixmap);
    return true;
}

bool Extract(fz_context* ctx, fz_page* page, const ExtractOptions& options, RawPage* out,
             std::string* error) {
    PageList list(ctx);
    if (!list.Load(page, error))
        return false;
    out->width = list.Box().Width();
    out->height = list.Box().Height();
    if (Cancelled(options, error) || !ReadTextLines(ctx, list.Get(), out, error))
        return false;
    if (options.text_only)
        return true;
    CapturedDrawing drawing;
    if (Cancelled(options, error) || !CaptureDrawing(ctx, list.Get(), list.Box(), &drawing, error))
        return false;
    out->rules = std::move(drawing.rules);
    out->fills = std::move(drawing.fills);
    out->images = std::move(drawing.images);
    ReadLinks(ctx, page, &out->links);
    MarkDecorations(out);
    MarkLinks(out);
    if (Cancelled(options, error))
        return false;
    const std::vector<Rect> regions = GraphicRegions(drawing.graphics, list.Box());
    if (!RenderGraphics(ctx, list.Get(), regions, options.graphics_dpi, options.cancelled,
                        &out->graphics, error))
        return false;
    // Invisible text (an OCR layer over a scan) is a text layer too.
    out->image_only = !HasText(*out) && drawing.invisible_glyphs == 0 &&
                      (!out->images.empty() || !out->graphics.empty());
    return true;
}

}  // namespace

bool ExtractPage(fz_context* context, fz_page* page, int index, const ExtractOptions& options,
                 RawPage* out, std::string* error) {
    std::string ignored;
    std::string* reason = error != nullptr ? error : &ignored;
    *out = RawPage{};
    out->index = index;
    if (context == nullptr || page == nullptr) {
        *reason = "no page";
        return false;
    }
    return Extract(context, page, options, out, reason);
}

bool RenderPagePicture(fz_context* context, fz_page* page, int dpi, RawImage* out,
                       std::string* error) {
    std::string ignored;
    std::string* reason = error != nullptr ? error : &ignored;
    *out = RawImage{};
    if (context == nullptr || page == nullptr) {
        *reason = "no page";
        return false;
    }
    PageList list(context);
    if (!list.Load(page, reason))
        return false;
    CapturedDrawing drawing;
    if (!CaptureDrawing(context, list.Get(), list.Box(), &drawing, reason))
        return false;
    if (const RawImage* image = PageSizedImage(drawing, list.Box())) {
        *out = *image;
        return true;
    }
    return RenderWholePage(context, list.Get(), list.Box(), dpi, out, reason);
}

}  // namespace reconstruct
