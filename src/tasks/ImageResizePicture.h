#pragma once

#include <FreeImage.h>

#include <memory>
#include <optional>
#include <string>

#include "tasks/ImageResizeTarget.h"

namespace image_resize {

struct BitmapDeleter {
    void operator()(FIBITMAP* bitmap) const { FreeImage_Unload(bitmap); }
};
using Bitmap = std::unique_ptr<FIBITMAP, BitmapDeleter>;

// Largest file the resizer reads into memory.
inline constexpr std::size_t kMaxPictureBytes = 256u << 20;

struct LoadedPicture {
    std::string bytes;                       // the whole source file
    FREE_IMAGE_FORMAT format = FIF_UNKNOWN;  // what the bytes are, whatever the name says
    Bitmap bitmap;                           // decoded; the first frame of an animation
    PixelSize Size() const;
};

// Reads and decodes one picture. Empty, with a log line saying why, for a missing, empty,
// oversized, unreadable or undecodable file, for a format FreeImage cannot read, and for a
// picture above kMaxPixels or whose size cannot be learnt before decoding it.
std::optional<LoadedPicture> LoadPicture(const std::string& path);
std::optional<LoadedPicture> DecodePicture(std::string bytes);

// Lanczos rescale; null unless the result has exactly the asked size.
Bitmap Rescale(FIBITMAP* bitmap, PixelSize size);

// The picture as a file of the format its extension names ("png", "JPG", ...). Pixel formats the
// writer refuses are brought down step by step (alpha flattened onto white, then a palette).
// Empty when the extension names no writable format or every step was refused.
std::optional<std::string> EncodePicture(Bitmap bitmap, const std::string& extension);

}  // namespace image_resize
