#include "bkwin/BkStorageImageEx.h"

#include "bkwin/BkImagePaint.h"
#include "platform/Text.h"

namespace BkWin {

bool CBkStorageImageEx::SetAttribute(std::string_view name, std::string_view value, bool loading) {
    if (name != "alpha")
        return CBkWindow::SetAttribute(name, value, loading);
    alpha_ = platform::ParseIntLikeWtoi(value);
    if (!loading)
        Redraw();
    return true;
}

bool CBkStorageImageEx::SetFile(const std::filesystem::path& file) {
    image_.reset();
    Redraw();
    BkSurfaceRef image(cairo_image_surface_create_from_png(file.c_str()));
    if (cairo_surface_status(image.get()) != CAIRO_STATUS_SUCCESS)
        return false;
    const int width = cairo_image_surface_get_width(image.get());
    const int height = cairo_image_surface_get_height(image.get());
    if (width <= 0 || height <= 0 || width > kMaxImageSide || height > kMaxImageSide)
        return false;
    image_ = std::move(image);
    return true;
}

platform::Size CBkStorageImageEx::GetContentSize() const {
    if (!image_)
        return CBkWindow::GetContentSize();
    return {cairo_image_surface_get_width(image_.get()),
            cairo_image_surface_get_height(image_.get())};
}

void CBkStorageImageEx::DrawContent(cairo_t* cr) {
    if (image_)
        PaintImage(cr, image_.get(), alpha_);
    CBkWindow::DrawContent(cr);
}

void CBkStorageImageEx::PaintImage(cairo_t* cr, cairo_surface_t* image, int alpha) {
    PaintImageStretched(cr, image, GetRect(), alpha);
}

}  // namespace BkWin
