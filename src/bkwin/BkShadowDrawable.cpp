#include "bkwin/BkShadowDrawable.h"

#include "bkwin/BkPngPool.h"

namespace BkWin {

void DrawImagePart(cairo_t* cr, cairo_surface_t* image, const platform::Rect& from,
                   const platform::Rect& to) {
    if (from.IsEmpty() || to.IsEmpty())
        return;
    cairo_surface_t* part =
        cairo_surface_create_for_rectangle(image, from.left, from.top, from.Width(), from.Height());
    cairo_save(cr);
    cairo_rectangle(cr, to.left, to.top, to.Width(), to.Height());
    cairo_clip(cr);
    cairo_translate(cr, to.left, to.top);
    cairo_scale(cr, static_cast<double>(to.Width()) / from.Width(),
                static_cast<double>(to.Height()) / from.Height());
    cairo_set_source_surface(cr, part, 0, 0);
    cairo_pattern_set_extend(cairo_get_source(cr), CAIRO_EXTEND_PAD);
    cairo_paint(cr);
    cairo_restore(cr);
    cairo_surface_destroy(part);
}

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
    const int w = cairo_image_surface_get_width(image);
    const int h = cairo_image_surface_get_height(image);
    const int xs[] = {0, margins_.left, w - margins_.right, w};
    const int ys[] = {0, margins_.top, h - margins_.bottom, h};
    const int dxs[] = {rect.left, rect.left + margins_.left, rect.right - margins_.right,
                       rect.right};
    const int dys[] = {rect.top, rect.top + margins_.top, rect.bottom - margins_.bottom,
                       rect.bottom};
    for (int row = 0; row < 3; ++row) {
        for (int column = 0; column < 3; ++column) {
            DrawImagePart(cr, image, {xs[column], ys[row], xs[column + 1], ys[row + 1]},
                          {dxs[column], dys[row], dxs[column + 1], dys[row + 1]});
        }
    }
}

}  // namespace BkWin
