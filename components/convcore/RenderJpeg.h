#pragma once

#include <cstddef>
#include <cstdio>
#include <memory>
#include <span>
#include <string>

namespace convcore {

// A baseline JPEG written row band by row band, so that an image of any height needs only the
// rows at hand in memory. Input rows are 8-bit RGB, or 8-bit gray when started with one
// component.
class JpegEncoder {
public:
    JpegEncoder();
    ~JpegEncoder();
    JpegEncoder(const JpegEncoder&) = delete;
    JpegEncoder& operator=(const JpegEncoder&) = delete;

    // JPEG cannot store a side above 65535 pixels.
    static constexpr int kMaxSide = 65535;

    // Into `file` (which stays the caller's), or into memory when `file` is null.
    bool Start(std::FILE* file, int width, int height, int dpi, int quality, std::string* error,
               int components = 3);
    bool WriteRows(const unsigned char* rows, std::ptrdiff_t stride, int count, std::string* error);
    bool Finish(std::string* error);

    // The encoded image after Finish when it was written into memory.
    std::span<const unsigned char> Bytes() const;

    struct State;  // defined beside the encoder; holds the codec and its jump buffer

private:
    std::unique_ptr<State> state_;
};

}  // namespace convcore
