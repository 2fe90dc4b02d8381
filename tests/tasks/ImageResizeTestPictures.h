#pragma once

// Pictures for the resizer's tests, made with FreeImage so no sample files are needed.
#include <FreeImage.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

namespace resize_test {

struct Shape {
    unsigned width = 0;
    unsigned height = 0;
    bool operator==(const Shape&) const = default;
};

inline std::string ReadBytes(const std::filesystem::path& file) {
    std::ifstream in(file, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

inline void WriteBytes(const std::filesystem::path& file, const std::string& bytes) {
    std::ofstream(file, std::ios::binary) << bytes;
}

// A colour gradient, so that the encoders have something to compress.
inline FIBITMAP* MakeBitmap(unsigned width, unsigned height, unsigned bpp = 24) {
    FIBITMAP* bitmap = FreeImage_Allocate(static_cast<int>(width), static_cast<int>(height),
                                          static_cast<int>(bpp));
    for (unsigned y = 0; y < height; ++y) {
        for (unsigned x = 0; x < width; ++x) {
            RGBQUAD colour{static_cast<BYTE>(x), static_cast<BYTE>(y), 128, 255};
            FreeImage_SetPixelColor(bitmap, x, y, &colour);
        }
    }
    return bitmap;
}

inline bool WritePicture(const std::filesystem::path& file, FREE_IMAGE_FORMAT format,
                         unsigned width, unsigned height) {
    FIBITMAP* bitmap = MakeBitmap(width, height);
    const bool saved = FreeImage_Save(format, bitmap, file.c_str(), 0);
    FreeImage_Unload(bitmap);
    return saved;
}

// Frames of different colours, so a reader could tell them apart.
inline bool WriteAnimatedGif(const std::filesystem::path& file, unsigned width, unsigned height,
                             int frames) {
    FIMULTIBITMAP* gif = FreeImage_OpenMultiBitmap(FIF_GIF, file.c_str(), TRUE, FALSE, TRUE, 0);
    if (!gif)
        return false;
    for (int i = 0; i < frames; ++i) {
        FIBITMAP* rgb = MakeBitmap(width, height);
        RGBQUAD tint{static_cast<BYTE>(60 * i), 0, 0, 0};
        FreeImage_SetPixelColor(rgb, 0, 0, &tint);
        FIBITMAP* palette = FreeImage_ColorQuantize(rgb, FIQ_WUQUANT);
        FreeImage_AppendPage(gif, palette);
        FreeImage_Unload(palette);
        FreeImage_Unload(rgb);
    }
    return FreeImage_CloseMultiBitmap(gif, 0);
}

inline Shape ShapeOf(const std::filesystem::path& file) {
    FIBITMAP* bitmap = FreeImage_Load(FreeImage_GetFileType(file.c_str(), 0), file.c_str(), 0);
    if (!bitmap)
        return {};
    const Shape shape{FreeImage_GetWidth(bitmap), FreeImage_GetHeight(bitmap)};
    FreeImage_Unload(bitmap);
    return shape;
}

inline int GifFrameCount(const std::filesystem::path& file) {
    FIMULTIBITMAP* gif = FreeImage_OpenMultiBitmap(FIF_GIF, file.c_str(), FALSE, TRUE, TRUE, 0);
    if (!gif)
        return 0;
    const int frames = FreeImage_GetPageCount(gif);
    FreeImage_CloseMultiBitmap(gif, 0);
    return frames;
}

}  // namespace resize_test
