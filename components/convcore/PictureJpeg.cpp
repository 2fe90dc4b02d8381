#include "convcore/PictureJpeg.h"

#include <cstdint>
#include <fstream>
#include <string>
#include <string_view>

#include "convcore/PictureExif.h"

namespace convcore {
namespace {

constexpr int kStartOfImage = 0xD8;
constexpr int kStartOfScan = 0xDA;
constexpr int kJfif = 0xE0;
constexpr int kExif = 0xE1;
constexpr int kAdobe = 0xEE;
constexpr double kCentimetresPerInch = 2.54;

int Byte(std::string_view data, std::size_t at) {
    return at < data.size() ? static_cast<std::uint8_t>(data[at]) : 0;
}

int Word(std::string_view data, std::size_t at) {
    return Byte(data, at) << 8 | Byte(data, at + 1);
}

// Frame markers C0..CF except the three that are not frames (DHT, JPG, DAC).
bool IsFrameMarker(int marker) {
    return marker >= 0xC0 && marker <= 0xCF && marker != 0xC4 && marker != 0xC8 && marker != 0xCC;
}

void ReadFrame(int marker, std::string_view body, JpegFacts* facts) {
    const int precision = Byte(body, 0);
    facts->height = Word(body, 1);
    facts->width = Word(body, 3);
    facts->components = Byte(body, 5);
    // C0 baseline, C1 extended sequential, C2 progressive; arithmetic and lossless coding are
    // left out, as many readers never learned them.
    const bool huffman_dct = marker == 0xC0 || marker == 0xC1 || marker == 0xC2;
    const bool known_layout =
        facts->components == 1 || facts->components == 3 || facts->components == 4;
    facts->embeddable =
        huffman_dct && precision == 8 && known_layout && facts->width > 0 && facts->height > 0;
}

void ReadJfif(std::string_view body, JpegFacts* facts) {
    if (body.substr(0, 5) != std::string_view("JFIF\0", 5))
        return;
    const int units = Byte(body, 7);
    const double x = Word(body, 8);
    const double y = Word(body, 10);
    if (units == 1) {
        facts->dpi_x = x;
        facts->dpi_y = y;
    } else if (units == 2) {
        facts->dpi_x = x * kCentimetresPerInch;
        facts->dpi_y = y * kCentimetresPerInch;
    }
}

void ReadSegment(int marker, std::string_view body, JpegFacts* facts) {
    if (IsFrameMarker(marker))
        ReadFrame(marker, body, facts);
    else if (marker == kJfif)
        ReadJfif(body, facts);
    else if (marker == kExif && body.substr(0, 6) == std::string_view("Exif\0\0", 6))
        facts->orientation = ReadExifOrientation(body);
    else if (marker == kAdobe && body.substr(0, 5) == "Adobe")
        facts->adobe = true;
}

}  // namespace

bool ReadJpegFacts(const std::filesystem::path& file, JpegFacts* facts) {
    std::ifstream in(file, std::ios::binary);
    *facts = JpegFacts();
    if (in.get() != 0xFF || in.get() != kStartOfImage)
        return false;
    bool frame_seen = false;
    std::string body;
    while (in) {
        int marker = in.get();
        if (marker != 0xFF)
            return false;
        while (marker == 0xFF)  // fill bytes
            marker = in.get();
        if (marker == std::char_traits<char>::eof())
            return false;
        if (marker == kStartOfScan)
            return frame_seen;
        if (marker == 0x01 || (marker >= 0xD0 && marker <= 0xD7))
            continue;  // markers without a length
        const int high = in.get();
        const int low = in.get();
        const int length = (high << 8 | low) - 2;
        if (!in || length < 0)
            return false;
        body.resize(static_cast<std::size_t>(length));
        if (!in.read(body.data(), length))
            return false;
        ReadSegment(marker, body, facts);
        frame_seen = frame_seen || IsFrameMarker(marker);
    }
    return false;
}

}  // namespace convcore
