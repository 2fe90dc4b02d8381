#include "bkwin/BkStorageImageEx2.h"

#include "bkwin/BkImagePaint.h"

namespace BkWin {

void CBkStorageImageEx2::PaintImage(cairo_t* cr, cairo_surface_t* image, int alpha) {
    PaintImageFitted(cr, image, GetRect(), alpha);
}

}  // namespace BkWin
