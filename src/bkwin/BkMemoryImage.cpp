#include "bkwin/BkMemoryImage.h"

#include "bkwin/BkImagePaint.h"
#include "platform/Text.h"

namespace BkWin {

bool CBkMemoryImage::SetAttribute(std::string_view name, std::string_view value, bool loading) {
    if (name == "adaptwindow") {
        adapt_window_ = platform::ParseIntLikeWtoi(value) != 0;
        return true;
    }
    // An address written in a resource would be read as memory: the image only ever comes
    // from SetImage.
    if (name == "mempointer")
        return true;
    return CBkWindow::SetAttribute(name, value, loading);
}

void CBkMemoryImage::SetImage(cairo_surface_t* image) {
    image_.reset(image ? cairo_surface_reference(image) : nullptr);
    Redraw();
}

platform::Size CBkMemoryImage::GetContentSize() const {
    if (!image_ || cairo_surface_get_type(image_.get()) != CAIRO_SURFACE_TYPE_IMAGE)
        return CBkWindow::GetContentSize();
    return {cairo_image_surface_get_width(image_.get()),
            cairo_image_surface_get_height(image_.get())};
}

void CBkMemoryImage::DrawContent(cairo_t* cr) {
    if (image_ && cairo_surface_get_type(image_.get()) == CAIRO_SURFACE_TYPE_IMAGE) {
        if (adapt_window_)
            PaintImageFitted(cr, image_.get(), GetRect(), 255);
        else
            PaintImageStretched(cr, image_.get(), GetRect(), 255);
    }
    CBkWindow::DrawContent(cr);
}

}  // namespace BkWin
