#include "reconstruct/OcrRecognition.h"

#include <mupdf/fitz.h>

#include <algorithm>
#include <cmath>

#include "reconstruct/PageExtract.h"

namespace reconstruct {
namespace {

// Of the page's area: pictures covering this much of a page without text make it a scan.
constexpr double kScanCoverage = 0.5;
// The page's picture when recognition found nothing: as legible as a scanned page put into a
// document without recognition.
constexpr int kPagePictureDpi = 200;
// A huge page is rendered at a lower resolution rather than into gigabytes.
constexpr double kMostRenderedPixels = 100e6;

double Area(const Rect& box) {
    return box.IsEmpty() ? 0 : box.Width() * box.Height();
}

// Overlapping pictures count twice; scanners put one picture per page.
double CoveredShare(const RawPage& page) {
    const Rect bounds{0, 0, page.width, page.height};
    double covered = 0;
    for (const RawImage& image : page.images)
        covered += Area(image.box.Intersected(bounds));
    const double area = Area(bounds);
    return area > 0 ? covered / area : 0;
}

float RenderZoom(const fz_rect& bounds) {
    const double area = double(bounds.x1 - bounds.x0) * double(bounds.y1 - bounds.y0);
    const double zoom = kOcrDpi / 72.0;
    const double pixels = area * zoom * zoom;
    return static_cast<float>(
        pixels > kMostRenderedPixels ? zoom * std::sqrt(kMostRenderedPixels / pixels) : zoom);
}

bool RenderForRecognition(fz_context* ctx, fz_page* page, OcrPicture* out, OcrPageFrame* frame,
                          std::string* error) {
    fz_rect bounds = fz_empty_rect;
    fz_pixmap* pixmap = nullptr;
    float zoom = 1;
    fz_var(pixmap);
    fz_var(zoom);
    fz_var(bounds);
    fz_try(ctx) {
        bounds = fz_bound_page(ctx, page);
        zoom = RenderZoom(bounds);
        pixmap = fz_new_pixmap_from_page(ctx, page, fz_scale(zoom, zoom), fz_device_rgb(ctx), 0);
    }
    fz_catch(ctx) {
        *error = std::string("cannot render the page: ") + fz_caught_message(ctx);
        return false;
    }
    const int width = fz_pixmap_width(ctx, pixmap);
    *out =
        OcrPicture::FromPixels(fz_pixmap_samples(ctx, pixmap), width, fz_pixmap_height(ctx, pixmap),
                               fz_pixmap_stride(ctx, pixmap), fz_pixmap_components(ctx, pixmap),
                               static_cast<int>(std::lround(zoom * 72)));
    fz_drop_pixmap(ctx, pixmap);
    if (out->Empty()) {
        *error = "cannot render the page: no pixels";
        return false;
    }
    frame->width = bounds.x1 - bounds.x0;
    frame->height = bounds.y1 - bounds.y0;
    frame->scale = frame->width / width;
    return true;
}

}  // namespace

bool RecognisePicture(OcrEngine& engine, const OcrPicture& picture, const OcrPageFrame& frame,
                      const OcrOptions& options, const PagePictureSource& page_picture,
                      RecognisedPage* out, std::string* error) {
    *out = RecognisedPage{};
    OcrResult result;
    std::string reason;
    const OcrStatus status = engine.Recognise(picture, options, &result, &reason);
    if (status == OcrStatus::kCancelled) {
        *error = reason;
        return false;
    }
    if (status == OcrStatus::kDone && !result.lines.empty()) {
        out->page = BuildOcrPage(result, picture, frame);
        out->has_text = true;
        return true;
    }
    out->note = status == OcrStatus::kDone ? "no text found" : reason;
    Image image;
    if (!page_picture(&image, error))
        return false;
    out->page = PicturePage(frame, std::move(image));
    return true;
}

bool IsScannedPage(const RawPage& page) {
    return page.image_only && CoveredShare(page) >= kScanCoverage;
}

bool RecognisePdfPage(fz_context* context, fz_page* page, int index, OcrEngine& engine,
                      const OcrOptions& options, RecognisedPage* out, std::string* error) {
    OcrPicture picture;
    OcrPageFrame frame;
    frame.index = index;
    if (context == nullptr || page == nullptr) {
        *error = "no page";
        return false;
    }
    if (!RenderForRecognition(context, page, &picture, &frame, error))
        return false;
    const auto page_picture = [&](Image* image, std::string* reason) {
        RawImage raw;
        if (!RenderPagePicture(context, page, kPagePictureDpi, &raw, reason))
            return false;
        *image = {{}, std::move(raw.mime), std::move(raw.bytes), raw.pixel_width, raw.pixel_height};
        return true;
    };
    return RecognisePicture(engine, picture, frame, options, page_picture, out, error);
}

}  // namespace reconstruct
