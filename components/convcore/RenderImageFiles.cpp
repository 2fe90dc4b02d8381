#include "convcore/RenderImageFiles.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <utility>
#include <vector>

#include "convcore/RenderBands.h"
#include "convcore/RenderDocument.h"
#include "convcore/RenderJpeg.h"
#include "platform/Format.h"
#include "platform/UniqueFd.h"

namespace convcore {
namespace {

// Rows are handed to MuPDF and the encoders with int strides and sizes.
constexpr std::int64_t kMaxSide = std::int64_t{1} << 24;
constexpr std::int64_t kMaxBmpBytes = 0xFFFFFFFFLL;  // its size fields are 32-bit
constexpr int kBmpHeaderBytes = 54;

std::string SystemError(const char* what, const std::filesystem::path& file) {
    return platform::Format("cannot %s %s: %s", what, file.string(), std::strerror(errno));
}

// MuPDF's PNG encoder sizes its buffers by the first band it is given, so every band but the
// last must have that height. Bands of that height pass straight through; others (the pages of
// a merged image) are gathered until a band is full.
class PngFileWriter : public ImageFileWriter {
public:
    explicit PngFileWriter(fz_context* context) : context_(context), output_(context) {}
    ~PngFileWriter() override { fz_drop_band_writer(context_, writer_); }

    bool Open(const std::filesystem::path& file, int width, int height, int dpi,
              std::string* error) override {
        stride_ = static_cast<std::size_t>(width) * 3;
        band_rows_ = static_cast<int>(std::clamp<std::size_t>(kBandBytes / stride_, 1, height));
        fz_context* context = context_;
        return CatchMupdf(
            context,
            [&] {
                output_.Slot() = fz_new_output_with_path(context, file.c_str(), 0);
                writer_ = fz_new_png_band_writer(context, output_.Get());
                fz_write_header(context, writer_, width, height, 3, 0, dpi, dpi, 0,
                                fz_device_rgb(context), nullptr);
            },
            error);
    }

    bool WriteRows(const unsigned char* rows, std::ptrdiff_t stride, int count,
                   std::string* error) override {
        while (count > 0) {
            if (gathered_ == 0 && count >= band_rows_) {
                if (!WriteBand(rows, stride, band_rows_, error))
                    return false;
                rows += band_rows_ * stride;
                count -= band_rows_;
                continue;
            }
            if (pending_.empty())
                pending_.resize(stride_ * static_cast<std::size_t>(band_rows_));
            const int taken = std::min(count, band_rows_ - gathered_);
            for (int row = 0; row < taken; ++row)
                std::memcpy(&pending_[static_cast<std::size_t>(gathered_ + row) * stride_],
                            rows + row * stride, stride_);
            gathered_ += taken;
            rows += taken * stride;
            count -= taken;
            if (gathered_ == band_rows_ && !FlushGathered(error))
                return false;
        }
        return true;
    }

    bool Close(std::string* error) override {
        if (gathered_ > 0 && !FlushGathered(error))
            return false;
        fz_context* context = context_;
        return CatchMupdf(
            context,
            [&] {
                fz_close_band_writer(context, writer_);
                fz_close_output(context, output_.Get());
            },
            error);
    }

private:
    bool WriteBand(const unsigned char* rows, std::ptrdiff_t stride, int count,
                   std::string* error) {
        fz_context* context = context_;
        return CatchMupdf(
            context,
            [&] { fz_write_band(context, writer_, static_cast<int>(stride), count, rows); }, error);
    }

    bool FlushGathered(std::string* error) {
        const int count = std::exchange(gathered_, 0);
        return WriteBand(pending_.data(), static_cast<std::ptrdiff_t>(stride_), count, error);
    }

    fz_context* context_;
    OutputHandle output_;
    fz_band_writer* writer_ = nullptr;
    std::size_t stride_ = 0;
    int band_rows_ = 1;
    int gathered_ = 0;  // rows waiting in pending_
    std::vector<unsigned char> pending_;
};

class JpegFileWriter : public ImageFileWriter {
public:
    explicit JpegFileWriter(int quality) : quality_(quality) {}
    ~JpegFileWriter() override {
        if (file_ != nullptr)
            std::fclose(file_);
    }

    bool Open(const std::filesystem::path& file, int width, int height, int dpi,
              std::string* error) override {
        path_ = file;
        file_ = std::fopen(file.c_str(), "wb");
        if (file_ == nullptr) {
            *error = SystemError("write", file);
            return false;
        }
        return encoder_.Start(file_, width, height, dpi, quality_, error);
    }

    bool WriteRows(const unsigned char* rows, std::ptrdiff_t stride, int count,
                   std::string* error) override {
        return encoder_.WriteRows(rows, stride, count, error);
    }

    bool Close(std::string* error) override {
        if (!encoder_.Finish(error))
            return false;
        const bool failed = std::ferror(file_) != 0;
        const bool closed = std::fclose(file_) == 0;
        file_ = nullptr;
        if (failed || !closed) {
            *error = SystemError("write", path_);
            return false;
        }
        return true;
    }

private:
    int quality_;
    std::filesystem::path path_;
    std::FILE* file_ = nullptr;
    JpegEncoder encoder_;
};

void PutLittleEndian(unsigned char* at, std::uint32_t value, int bytes) {
    for (int byte = 0; byte < bytes; ++byte)
        at[byte] = static_cast<unsigned char>(value >> (8 * byte));
}

// 24-bit bottom-up BMP, the form every reader takes. Its rows are stored last row first, so
// each band is written at its place in a file sized in advance.
class BmpFileWriter : public ImageFileWriter {
public:
    bool Open(const std::filesystem::path& file, int width, int height, int dpi,
              std::string* error) override {
        path_ = file;
        width_ = width;
        height_ = height;
        stride_ = (static_cast<std::int64_t>(width) * 3 + 3) & ~std::int64_t{3};
        const std::int64_t image_bytes = stride_ * height;
        fd_.Reset(::open(file.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666));
        if (!fd_) {
            *error = SystemError("write", file);
            return false;
        }
        std::array<unsigned char, kBmpHeaderBytes> header{};
        header[0] = 'B';
        header[1] = 'M';
        PutLittleEndian(&header[2], static_cast<std::uint32_t>(kBmpHeaderBytes + image_bytes), 4);
        PutLittleEndian(&header[10], kBmpHeaderBytes, 4);
        PutLittleEndian(&header[14], 40, 4);  // BITMAPINFOHEADER
        PutLittleEndian(&header[18], static_cast<std::uint32_t>(width), 4);
        PutLittleEndian(&header[22], static_cast<std::uint32_t>(height), 4);
        PutLittleEndian(&header[26], 1, 2);   // planes
        PutLittleEndian(&header[28], 24, 2);  // bits per pixel
        PutLittleEndian(&header[34], static_cast<std::uint32_t>(image_bytes), 4);
        const auto per_metre = static_cast<std::uint32_t>(std::lround(dpi / 0.0254));
        PutLittleEndian(&header[38], per_metre, 4);
        PutLittleEndian(&header[42], per_metre, 4);
        if (!WriteAt(header.data(), header.size(), 0) ||
            ::ftruncate(fd_.Get(), kBmpHeaderBytes + image_bytes) != 0) {
            *error = SystemError("write", file);
            return false;
        }
        return true;
    }

    // The band's rows lie together in the file, last row first: turned around in memory, they
    // go out in one write.
    bool WriteRows(const unsigned char* rows, std::ptrdiff_t stride, int count,
                   std::string* error) override {
        count = std::min(count, height_ - next_row_);
        if (count <= 0)
            return true;
        band_.resize(static_cast<std::size_t>(stride_) * static_cast<std::size_t>(count));
        for (int row = 0; row < count; ++row) {
            const unsigned char* source = rows + row * stride;
            unsigned char* target = &band_[static_cast<std::size_t>((count - 1 - row) * stride_)];
            for (int x = 0; x < width_; ++x) {
                target[3 * x] = source[3 * x + 2];
                target[3 * x + 1] = source[3 * x + 1];
                target[3 * x + 2] = source[3 * x];
            }
            std::fill(target + 3 * width_, target + stride_, 0);  // row padding
        }
        next_row_ += count;
        const std::int64_t offset = kBmpHeaderBytes + (height_ - next_row_) * stride_;
        if (!WriteAt(band_.data(), band_.size(), offset)) {
            *error = SystemError("write", path_);
            return false;
        }
        return true;
    }

    bool Close(std::string* error) override {
        if (next_row_ != height_) {
            *error = "the image was not written to the end";
            return false;
        }
        if (::close(fd_.Release()) != 0) {
            *error = SystemError("write", path_);
            return false;
        }
        return true;
    }

private:
    bool WriteAt(const unsigned char* data, std::size_t size, std::int64_t offset) {
        while (size > 0) {
            const ssize_t written = ::pwrite(fd_.Get(), data, size, offset);
            if (written < 0 && errno == EINTR)
                continue;
            if (written <= 0)
                return false;
            data += written;
            size -= static_cast<std::size_t>(written);
            offset += written;
        }
        return true;
    }

    std::filesystem::path path_;
    platform::UniqueFd fd_;
    int width_ = 0;
    int height_ = 0;
    int next_row_ = 0;
    std::int64_t stride_ = 0;
    std::vector<unsigned char> band_;  // rows in the file's order: bottom up, BGR, padded
};

}  // namespace

const char* ExtensionOf(ImageFormat format) {
    switch (format) {
        case ImageFormat::kJpeg:
            return ".jpg";
        case ImageFormat::kPng:
            return ".png";
        case ImageFormat::kBmp:
            return ".bmp";
    }
    return "";
}

std::unique_ptr<ImageFileWriter> MakeImageFileWriter(ImageFormat format, fz_context* context,
                                                     int jpeg_quality) {
    switch (format) {
        case ImageFormat::kJpeg:
            return std::make_unique<JpegFileWriter>(jpeg_quality);
        case ImageFormat::kPng:
            return std::make_unique<PngFileWriter>(context);
        case ImageFormat::kBmp:
            return std::make_unique<BmpFileWriter>();
    }
    return nullptr;
}

bool FitsFormat(ImageFormat format, std::int64_t width, std::int64_t height, std::string* error) {
    const std::int64_t max_side = format == ImageFormat::kJpeg ? JpegEncoder::kMaxSide : kMaxSide;
    const std::int64_t bmp_bytes = kBmpHeaderBytes + ((width * 3 + 3) & ~std::int64_t{3}) * height;
    if (width <= 0 || height <= 0) {
        *error = "the page has no area to draw";
        return false;
    }
    if (width > max_side || height > max_side ||
        (format == ImageFormat::kBmp && bmp_bytes > kMaxBmpBytes)) {
        *error = platform::Format(
            "an image of %d x %d pixels is too large for %s; choose a lower quality or fewer "
            "pages per image",
            width, height, ExtensionOf(format) + 1);
        return false;
    }
    return true;
}

}  // namespace convcore
