#pragma once

#include <vector>

#include "reconstruct/Geometry.h"

struct Pix;

namespace reconstruct {

// A picture to recognise, held in the recogniser's own form (1-bit, 8-bit grey or 32-bit RGB),
// with the resolution it stands for. Move-only.
class OcrPicture {
public:
    OcrPicture() = default;
    ~OcrPicture();
    OcrPicture(OcrPicture&& other) noexcept;
    OcrPicture& operator=(OcrPicture&& other) noexcept;
    OcrPicture(const OcrPicture&) = delete;
    OcrPicture& operator=(const OcrPicture&) = delete;

    // A copy of 8-bit grey (`channels` 1) or RGB (3) or RGBA (4, alpha ignored) pixels, top row
    // first, rows `stride` bytes apart. Empty when the arguments do not describe pixels.
    static OcrPicture FromPixels(const unsigned char* data, int width, int height, int stride,
                                 int channels, int dpi);
    // Takes `pix` over, in whatever form it comes, and brings it into one the recogniser takes
    // (palette and alpha removed, depth 1, 8 or 32). Empty when `pix` is null.
    static OcrPicture Adopt(Pix* pix, int dpi);

    bool Empty() const { return pix_ == nullptr; }
    int Width() const;
    int Height() const;
    int Dpi() const { return dpi_; }
    Pix* Get() const { return pix_; }

    // The whole picture, and the part inside `box` (pixels, clipped to the picture), as PNG;
    // empty when there is nothing to encode.
    std::vector<unsigned char> Png() const;
    std::vector<unsigned char> PngOf(const Rect& box) const;

private:
    OcrPicture(Pix* pix, int dpi) : pix_(pix), dpi_(dpi) {}

    Pix* pix_ = nullptr;
    int dpi_ = 0;
};

}  // namespace reconstruct
