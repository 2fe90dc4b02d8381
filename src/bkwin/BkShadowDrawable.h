#pragma once

#include <cairo.h>

#include "bkwin/BkSurfaceRef.h"
#include "platform/window/Geometry.h"

namespace BkWin {

// Scales the `from` part of `image` onto `to`. Sampling stays inside `from`, so a stretched
// edge does not bleed into the corner next to it.
void DrawImagePart(cairo_t* cr, cairo_surface_t* image, const platform::Rect& from,
                   const platform::Rect& to);

// A shadow image drawn as a nine-slice frame: the corners keep their size, the rest
// stretches. Shared by the windows that use the same image (hold it in a shared_ptr).
class BkShadowDrawable {
public:
    // Takes its own reference to `image`; the margins are half the image.
    explicit BkShadowDrawable(cairo_surface_t* image);
    static BkShadowDrawable FromPng(int png_id);

    // left, top, right, bottom widths of the unstretched borders.
    const platform::Rect& Margins() const { return margins_; }
    void Draw(cairo_t* cr, const platform::Rect& rect) const;

private:
    BkSurfaceRef image_;
    platform::Rect margins_;
};

}  // namespace BkWin
