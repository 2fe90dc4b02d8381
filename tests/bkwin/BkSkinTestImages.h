#pragma once

#include <cairo.h>

#include <unistd.h>

#include <algorithm>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>

#include "platform/window/Geometry.h"

namespace bkwin_test {

struct SurfaceRelease {
    void operator()(cairo_surface_t* surface) const { cairo_surface_destroy(surface); }
};
using Surface = std::unique_ptr<cairo_surface_t, SurfaceRelease>;

inline Surface NewSurface(int width, int height) {
    return Surface(cairo_image_surface_create(CAIRO_FORMAT_ARGB32, width, height));
}

// Opaque colours as 0xAARRGGBB, the way an ARGB32 surface stores them.
inline std::uint32_t PixelAt(cairo_surface_t* surface, int x, int y) {
    cairo_surface_flush(surface);
    const unsigned char* data = cairo_image_surface_get_data(surface);
    const int stride = cairo_image_surface_get_stride(surface);
    return *reinterpret_cast<const std::uint32_t*>(data + y * stride + x * 4);
}

inline void FillRect(cairo_surface_t* surface, const platform::Rect& rect, std::uint32_t argb) {
    cairo_t* cr = cairo_create(surface);
    cairo_set_source_rgba(cr, ((argb >> 16) & 0xFF) / 255.0, ((argb >> 8) & 0xFF) / 255.0,
                          (argb & 0xFF) / 255.0, (argb >> 24) / 255.0);
    cairo_rectangle(cr, rect.left, rect.top, rect.Width(), rect.Height());
    cairo_fill(cr);
    cairo_destroy(cr);
}

// The smallest rectangle holding every pixel that is not fully transparent.
inline platform::Rect InkBounds(cairo_surface_t* surface) {
    const int width = cairo_image_surface_get_width(surface);
    const int height = cairo_image_surface_get_height(surface);
    platform::Rect ink{width, height, 0, 0};
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            if ((PixelAt(surface, x, y) >> 24) == 0)
                continue;
            ink = {std::min(ink.left, x), std::min(ink.top, y), std::max(ink.right, x + 1),
                   std::max(ink.bottom, y + 1)};
        }
    }
    return ink;
}

// Writes a PNG of the given size painted by `paint`, creating missing folders.
inline void WritePng(const std::filesystem::path& file, int width, int height,
                     const std::function<void(cairo_surface_t*)>& paint) {
    std::filesystem::create_directories(file.parent_path());
    Surface surface = NewSurface(width, height);
    paint(surface.get());
    cairo_surface_write_to_png(surface.get(), file.c_str());
}

// A fresh folder under the test temp folder.
inline std::filesystem::path TempFolder(const std::string& name) {
    const auto folder = std::filesystem::temp_directory_path() /
                        ("bkwin-" + name + "-" + std::to_string(::getpid()));
    std::filesystem::remove_all(folder);
    std::filesystem::create_directories(folder);
    return folder;
}

}  // namespace bkwin_test
