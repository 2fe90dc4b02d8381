#include "bkwin/BkImagePaint.h"

#include <algorithm>

#include "bkwin/BkWindow.h"

namespace BkWin {
namespace {

void Paint(cairo_t* cr, cairo_surface_t* image, double x, double y, double sx, double sy,
           int alpha) {
    cairo_save(cr);
    cairo_translate(cr, x, y);
    cairo_scale(cr, sx, sy);
    cairo_set_source_surface(cr, image, 0, 0);
    cairo_pattern_set_filter(cairo_get_source(cr), CAIRO_FILTER_GOOD);
    cairo_paint_with_alpha(cr, std::clamp(alpha, 0, 255) / 255.0);
    cairo_restore(cr);
}

bool Usable(cairo_surface_t* image, const platform::Rect& rect) {
    return image && cairo_surface_status(image) == CAIRO_STATUS_SUCCESS && !rect.IsEmpty() &&
           cairo_image_surface_get_width(image) > 0 && cairo_image_surface_get_height(image) > 0;
}

}  // namespace

void PaintImageStretched(cairo_t* cr, cairo_surface_t* image, const platform::Rect& rect,
                         int alpha) {
    if (!Usable(image, rect))
        return;
    Paint(cr, image, rect.left, rect.top,
          static_cast<double>(rect.Width()) / cairo_image_surface_get_width(image),
          static_cast<double>(rect.Height()) / cairo_image_surface_get_height(image), alpha);
}

void PaintImageFitted(cairo_t* cr, cairo_surface_t* image, const platform::Rect& rect, int alpha) {
    if (!Usable(image, rect))
        return;
    const double width = cairo_image_surface_get_width(image);
    const double height = cairo_image_surface_get_height(image);
    const double scale = std::min(rect.Width() / width, rect.Height() / height);
    Paint(cr, image, rect.left + (rect.Width() - width * scale) / 2,
          rect.top + (rect.Height() - height * scale) / 2, scale, scale, alpha);
}

int ButtonStateIndex(unsigned state) {
    if (state & kStateDisabled)
        return 3;
    if (state & kStatePushed)
        return 2;
    return (state & kStateHover) ? 1 : 0;
}

}  // namespace BkWin
