#include "bkwin/BkShadowDrawable.h"

#include "bkwin/BkPngPool.h"

namespace BkWin {
namespace {

// Copies the source rectangle (sx, sy, sw, sh) of `image` onto the destination one.
void Slice(cairo_t* cr, cairo_surface_t* image, double sx, double sy, double sw, double sh,
           double dx, double dy, double dw, double dh) {
    if (sw <= 0 || sh <= 0 || dw <= 0 || dh <= 0)
        return;
    cairo_save(cr);
    cairo_rectangle(cr, dx, dy, dw, dh);
    cairo_clip(cr);
    cairo_translate(cr, dx, dy);
    cairo_scale(cr, dw / sw, dh / sh);
    cairo_set_source_surface(cr, image, -sx, -sy);
    cairo_pattern_set_extend(cairo_get_source(cr), CAIRO_EXTEND_PAD);
    cairo_paint(cr);
    cairo_restore(cr);
}

}  // namespace

BkShadowDrawable::BkShadowDrawable(cairo_surface_t* image)
    : image_(image ? cairo_surface_reference(image) : nullptr) {
    if (!image_ || cairo_surface_get_type(image) != CAIRO_SURFACE_TYPE_IMAGE)
        return;
    const int w = cairo_image_surface_get_width(image);
    const int h = cairo_image_surface_get_height(image);
    margins_ = {w / 2, h / 2, w - w / 2 - 1, h - h / 2 - 1};
}

BkShadowDrawable BkShadowDrawable::FromPng(int png_id) {
    return BkShadowDrawable(BkPngPool::Get(png_id).surface);
}

void BkShadowDrawable::Draw(cairo_t* cr, const platform::Rect& rect) const {
    if (!image_ || cairo_surface_get_type(image_.get()) != CAIRO_SURFACE_TYPE_IMAGE)
        return;
    cairo_surface_t* image = image_.get();
    const double w = cairo_image_surface_get_width(image);
    const double h = cairo_image_surface_get_height(image);
    const double l = margins_.left, t = margins_.top, r = margins_.right, b = margins_.bottom;
    const double x0 = rect.left, y0 = rect.top, x1 = rect.right, y1 = rect.bottom;
    const double xs[] = {0, l, w - r, w};
    const double ys[] = {0, t, h - b, h};
    const double dxs[] = {x0, x0 + l, x1 - r, x1};
    const double dys[] = {y0, y0 + t, y1 - b, y1};
    for (int row = 0; row < 3; ++row) {
        for (int column = 0; column < 3; ++column) {
            Slice(cr, image, xs[column], ys[row], xs[column + 1] - xs[column],
                  ys[row + 1] - ys[row], dxs[column], dys[row], dxs[column + 1] - dxs[column],
                  dys[row + 1] - dys[row]);
        }
    }
}

}  // namespace BkWin
