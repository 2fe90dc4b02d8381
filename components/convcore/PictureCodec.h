#pragma once

#include <FreeImage.h>

#include <filesystem>
#include <memory>
#include <string>
#include <string_view>

// Reading and writing pictures with FreeImage, shared by the picture tools and images-to-PDF.
namespace convcore {

struct BitmapDeleter {
    void operator()(FIBITMAP* bitmap) const { FreeImage_Unload(bitmap); }
};
using Bitmap = std::unique_ptr<FIBITMAP, BitmapDeleter>;

// Why a picture file cannot be used at all (missing, not a file, empty); empty when it can be
// tried.
std::string CheckPictureFile(const std::filesystem::path& file);

// The format a file holds: by its content, by its name when the content does not tell.
FREE_IMAGE_FORMAT PictureFormatOf(const std::filesystem::path& file);

// The format a target name asks for: jpg/jpeg, png, bmp, tif/tiff, gif, webp (case ignored);
// FIF_UNKNOWN for anything else.
FREE_IMAGE_FORMAT TargetPictureFormat(const std::filesystem::path& target);

enum class Orientation {
    kUpright,   // a camera's orientation tag is applied to the pixels and set to "upright"
    kAsStored,  // pixels exactly as stored; the tag, if any, still applies
};

// Decodes a picture into a standard bitmap (1-, 4-, 8-bit palette or grey, 24- or 32-bit
// colour); null with the reason in `error` when that is not possible.
Bitmap LoadPicture(const std::filesystem::path& file, Orientation orientation, std::string* error);

// True when the picture has transparency worth keeping.
bool HasAlpha(FIBITMAP* bitmap);

// True for grey-level pictures (a palette of greys counts).
bool IsGreyPicture(FIBITMAP* bitmap);

// The picture over white, as 24-bit colour, or grey when it is grey.
Bitmap FlattenOnWhite(FIBITMAP* bitmap);

// A copy the format can store: JPEG gets grey or 24-bit colour over white, GIF a palette,
// WebP 24 or 32 bits; the other formats keep what they can hold.
Bitmap PrepareForFormat(FIBITMAP* bitmap, FREE_IMAGE_FORMAT format);

// Save flags for an ordinary write: JPEG and WebP at quality 90.
int DefaultSaveFlags(FREE_IMAGE_FORMAT format);

// The encoded file; empty when encoding failed. `bitmap` must already suit the format.
std::string EncodePicture(FIBITMAP* bitmap, FREE_IMAGE_FORMAT format, int flags);

// False when the file could not be written completely.
bool WriteFileBytes(const std::filesystem::path& file, std::string_view bytes);

}  // namespace convcore
