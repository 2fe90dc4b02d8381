#include "convcore/PictureExif.h"

#include <cstdint>
#include <optional>

namespace convcore {
namespace {

constexpr std::string_view kExifHeader("Exif\0\0", 6);
constexpr std::uint16_t kOrientationTag = 0x0112;
constexpr std::uint16_t kShortType = 3;
constexpr std::size_t kEntrySize = 12;

struct TiffReader {
    std::string_view data;
    bool big_endian = false;

    std::optional<std::uint32_t> Read(std::size_t offset, std::size_t bytes) const {
        if (offset > data.size() || data.size() - offset < bytes)
            return std::nullopt;
        std::uint32_t value = 0;
        for (std::size_t i = 0; i < bytes; ++i) {
            const auto byte =
                static_cast<std::uint8_t>(data[offset + (big_endian ? i : bytes - 1 - i)]);
            value = (value << 8) | byte;
        }
        return value;
    }
};

std::size_t TiffStart(std::string_view block) {
    return block.substr(0, kExifHeader.size()) == kExifHeader ? kExifHeader.size() : 0;
}

// Where the orientation value sits in `block`, and the byte order to write it in.
std::optional<std::size_t> OrientationOffset(std::string_view block, bool* big_endian) {
    const std::size_t start = TiffStart(block);
    TiffReader tiff{block.substr(start)};
    const std::string_view order = tiff.data.substr(0, 2);
    if (order != "II" && order != "MM")
        return std::nullopt;
    tiff.big_endian = order == "MM";
    const auto first_ifd = tiff.Read(4, 4);
    if (!first_ifd)
        return std::nullopt;
    const auto entries = tiff.Read(*first_ifd, 2);
    if (!entries)
        return std::nullopt;
    for (std::uint32_t i = 0; i < *entries; ++i) {
        const std::size_t entry = *first_ifd + 2 + i * kEntrySize;
        const auto tag = tiff.Read(entry, 2);
        const auto type = tiff.Read(entry + 2, 2);
        if (!tag || !type)
            return std::nullopt;
        if (*tag == kOrientationTag && *type == kShortType) {
            *big_endian = tiff.big_endian;
            return start + entry + 8;
        }
    }
    return std::nullopt;
}

}  // namespace

int ReadExifOrientation(std::string_view block) {
    bool big_endian = false;
    const auto offset = OrientationOffset(block, &big_endian);
    if (!offset)
        return 1;
    const auto value = TiffReader{block, big_endian}.Read(*offset, 2);
    return value && *value >= 1 && *value <= 8 ? static_cast<int>(*value) : 1;
}

bool WriteExifOrientation(std::string& block, int orientation) {
    bool big_endian = false;
    const auto offset = OrientationOffset(block, &big_endian);
    if (!offset || block.size() - *offset < 2)
        return false;
    const auto high = static_cast<char>((orientation >> 8) & 0xff);
    const auto low = static_cast<char>(orientation & 0xff);
    block[*offset] = big_endian ? high : low;
    block[*offset + 1] = big_endian ? low : high;
    return true;
}

}  // namespace convcore
