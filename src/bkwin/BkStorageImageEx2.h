#pragma once

#include "bkwin/BkStorageImageEx.h"

namespace BkWin {

// A file image that keeps its proportions, centred in the control (thumbnails).
class CBkStorageImageEx2 : public CBkStorageImageEx {
public:
    std::string_view GetObjectClass() const override { return "storageimageex2"; }

protected:
    void PaintImage(cairo_t* cr, cairo_surface_t* image, int alpha) override;
};

}  // namespace BkWin
