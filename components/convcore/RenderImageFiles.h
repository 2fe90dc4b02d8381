#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <memory>
#include <string>

struct fz_context;

namespace convcore {

enum class ImageFormat { kJpeg, kPng, kBmp };

// ".jpg", ".png", ".bmp".
const char* ExtensionOf(ImageFormat format);

// An image file written from the top row down, band by band, so that a tall image never has to
// be in memory at once. Rows are 8-bit RGB.
class ImageFileWriter {
public:
    virtual ~ImageFileWriter() = default;
    virtual bool Open(const std::filesystem::path& file, int width, int height, int dpi,
                      std::string* error) = 0;
    virtual bool WriteRows(const unsigned char* rows, std::ptrdiff_t stride, int count,
                           std::string* error) = 0;
    // Completes the file; a writer that is destroyed without it leaves an incomplete file for
    // its PendingOutput to remove.
    virtual bool Close(std::string* error) = 0;
};

// PNG goes through MuPDF's encoder on `context` (the task's thread); JPEG is written with
// quality `jpeg_quality`.
std::unique_ptr<ImageFileWriter> MakeImageFileWriter(ImageFormat format, fz_context* context,
                                                     int jpeg_quality);

// False with the reason when the format cannot hold an image of that size.
bool FitsFormat(ImageFormat format, std::int64_t width, std::int64_t height, std::string* error);

}  // namespace convcore
