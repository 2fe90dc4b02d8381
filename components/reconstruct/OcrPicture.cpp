#include "reconstruct/OcrPicture.h"

#include <leptonica/allheaders.h>

#include <algorithm>
#include <cmath>
#include <utility>

namespace reconstruct {
namespace {

constexpr l_uint32 kWhite = 0xFFFFFF00;

void Destroy(Pix* pix) {
    pixDestroy(&pix);
}

// Replaces `*pix` by `next` unless the conversion failed (then `*pix` is dropped too).
void Replace(Pix** pix, Pix* next) {
    if (next != *pix)
        pixDestroy(pix);
    *pix = next;
}

// Depth 1, 8 or 32 without palette or alpha: what the recogniser and the PNG writer both take.
Pix* Normalised(Pix* pix) {
    if (pixGetColormap(pix) != nullptr)
        Replace(&pix, pixRemoveColormap(pix, REMOVE_CMAP_BASED_ON_SRC));
    if (pix == nullptr)
        return nullptr;
    const int depth = pixGetDepth(pix);
    if (depth == 32 && pixGetSpp(pix) == 4)
        Replace(&pix, pixAlphaBlendUniform(pix, kWhite));
    else if (depth != 1 && depth != 8 && depth != 32)
        Replace(&pix, pixConvertTo8(pix, 0));
    if (pix != nullptr && pixGetDepth(pix) == 32)
        pixSetSpp(pix, 3);
    return pix;
}

void CopyGreyRow(const unsigned char* source, int width, l_uint32* line) {
    for (int x = 0; x < width; ++x)
        SET_DATA_BYTE(line, x, source[x]);
}

void CopyColourRow(const unsigned char* source, int width, int channels, l_uint32* line) {
    for (int x = 0; x < width; ++x) {
        const unsigned char* p = source + static_cast<std::ptrdiff_t>(x) * channels;
        line[x] = static_cast<l_uint32>(p[0]) << L_RED_SHIFT |
                  static_cast<l_uint32>(p[1]) << L_GREEN_SHIFT |
                  static_cast<l_uint32>(p[2]) << L_BLUE_SHIFT;
    }
}

std::vector<unsigned char> EncodePng(Pix* pix) {
    std::vector<unsigned char> bytes;
    l_uint8* data = nullptr;
    size_t size = 0;
    if (pix != nullptr && pixWriteMem(&data, &size, pix, IFF_PNG) == 0 && data != nullptr)
        bytes.assign(data, data + size);
    lept_free(data);
    return bytes;
}

}  // namespace

OcrPicture::~OcrPicture() {
    Destroy(pix_);
}

OcrPicture::OcrPicture(OcrPicture&& other) noexcept
    : pix_(std::exchange(other.pix_, nullptr)), dpi_(other.dpi_) {}

OcrPicture& OcrPicture::operator=(OcrPicture&& other) noexcept {
    if (this != &other) {
        Destroy(pix_);
        pix_ = std::exchange(other.pix_, nullptr);
        dpi_ = other.dpi_;
    }
    return *this;
}

OcrPicture OcrPicture::FromPixels(const unsigned char* data, int width, int height, int stride,
                                  int channels, int dpi) {
    const bool known_layout = channels == 1 || channels == 3 || channels == 4;
    if (data == nullptr || width <= 0 || height <= 0 || !known_layout ||
        stride < static_cast<long>(width) * channels)
        return {};
    Pix* pix = pixCreate(width, height, channels == 1 ? 8 : 32);
    if (pix == nullptr)
        return {};
    l_uint32* lines = pixGetData(pix);
    const int words_per_line = pixGetWpl(pix);
    for (int y = 0; y < height; ++y) {
        const unsigned char* source = data + static_cast<std::ptrdiff_t>(y) * stride;
        l_uint32* line = lines + static_cast<std::ptrdiff_t>(y) * words_per_line;
        if (channels == 1)
            CopyGreyRow(source, width, line);
        else
            CopyColourRow(source, width, channels, line);
    }
    pixSetResolution(pix, dpi, dpi);
    return OcrPicture(pix, dpi);
}

OcrPicture OcrPicture::Adopt(Pix* pix, int dpi) {
    if (pix == nullptr)
        return {};
    pix = Normalised(pix);
    if (pix == nullptr)
        return {};
    pixSetResolution(pix, dpi, dpi);
    return OcrPicture(pix, dpi);
}

int OcrPicture::Width() const {
    return pix_ == nullptr ? 0 : pixGetWidth(pix_);
}

int OcrPicture::Height() const {
    return pix_ == nullptr ? 0 : pixGetHeight(pix_);
}

std::vector<unsigned char> OcrPicture::Png() const {
    return EncodePng(pix_);
}

std::vector<unsigned char> OcrPicture::PngOf(const Rect& box) const {
    if (pix_ == nullptr)
        return {};
    const Rect inside = box.Intersected({0, 0, double(Width()), double(Height())});
    const int x0 = static_cast<int>(std::floor(inside.x0));
    const int y0 = static_cast<int>(std::floor(inside.y0));
    const int x1 = static_cast<int>(std::ceil(inside.x1));
    const int y1 = static_cast<int>(std::ceil(inside.y1));
    if (x1 <= x0 || y1 <= y0)
        return {};
    Box* area = boxCreate(x0, y0, x1 - x0, y1 - y0);
    Pix* part = pixClipRectangle(pix_, area, nullptr);
    boxDestroy(&area);
    std::vector<unsigned char> png = EncodePng(part);
    pixDestroy(&part);
    return png;
}

}  // namespace reconstruct
