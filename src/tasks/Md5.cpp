#include "tasks/Md5.h"

#include <algorithm>
#include <cstring>
#include <fstream>
#include <system_error>

namespace tasks {
namespace {

constexpr std::uint32_t kSines[64] = {
    0xd76aa478, 0xe8c7b756, 0x242070db, 0xc1bdceee, 0xf57c0faf, 0x4787c62a, 0xa8304613, 0xfd469501,
    0x698098d8, 0x8b44f7af, 0xffff5bb1, 0x895cd7be, 0x6b901122, 0xfd987193, 0xa679438e, 0x49b40821,
    0xf61e2562, 0xc040b340, 0x265e5a51, 0xe9b6c7aa, 0xd62f105d, 0x02441453, 0xd8a1e681, 0xe7d3fbc8,
    0x21e1cde6, 0xc33707d6, 0xf4d50d87, 0x455a14ed, 0xa9e3e905, 0xfcefa3f8, 0x676f02d9, 0x8d2a4c8a,
    0xfffa3942, 0x8771f681, 0x6d9d6122, 0xfde5380c, 0xa4beea44, 0x4bdecfa9, 0xf6bb4b60, 0xbebfbc70,
    0x289b7ec6, 0xeaa127fa, 0xd4ef3085, 0x04881d05, 0xd9d4d039, 0xe6db99e5, 0x1fa27cf8, 0xc4ac5665,
    0xf4292244, 0x432aff97, 0xab9423a7, 0xfc93a039, 0x655b59c3, 0x8f0ccc92, 0xffeff47d, 0x85845dd1,
    0x6fa87e4f, 0xfe2ce6e0, 0xa3014314, 0x4e0811a1, 0xf7537e82, 0xbd3af235, 0x2ad7d2bb, 0xeb86d391};

constexpr int kShifts[64] = {7, 12, 17, 22, 7, 12, 17, 22, 7, 12, 17, 22, 7, 12, 17, 22,
                             5, 9,  14, 20, 5, 9,  14, 20, 5, 9,  14, 20, 5, 9,  14, 20,
                             4, 11, 16, 23, 4, 11, 16, 23, 4, 11, 16, 23, 4, 11, 16, 23,
                             6, 10, 15, 21, 6, 10, 15, 21, 6, 10, 15, 21, 6, 10, 15, 21};

std::uint32_t RotateLeft(std::uint32_t value, int count) {
    return (value << count) | (value >> (32 - count));
}

}  // namespace

Md5::Md5() : state_{0x67452301, 0xefcdab89, 0x98badcfe, 0x10325476} {}

void Md5::Transform(const std::uint8_t* block) {
    std::uint32_t words[16];
    for (int i = 0; i < 16; ++i) {
        words[i] = static_cast<std::uint32_t>(block[i * 4]) |
                   static_cast<std::uint32_t>(block[i * 4 + 1]) << 8 |
                   static_cast<std::uint32_t>(block[i * 4 + 2]) << 16 |
                   static_cast<std::uint32_t>(block[i * 4 + 3]) << 24;
    }
    std::uint32_t a = state_[0], b = state_[1], c = state_[2], d = state_[3];
    for (int i = 0; i < 64; ++i) {
        std::uint32_t f = 0;
        int g = 0;
        if (i < 16) {
            f = (b & c) | (~b & d);
            g = i;
        } else if (i < 32) {
            f = (d & b) | (~d & c);
            g = (5 * i + 1) % 16;
        } else if (i < 48) {
            f = b ^ c ^ d;
            g = (3 * i + 5) % 16;
        } else {
            f = c ^ (b | ~d);
            g = (7 * i) % 16;
        }
        const std::uint32_t next = b + RotateLeft(a + f + kSines[i] + words[g], kShifts[i]);
        a = d;
        d = c;
        c = b;
        b = next;
    }
    state_[0] += a;
    state_[1] += b;
    state_[2] += c;
    state_[3] += d;
}

void Md5::Update(std::string_view bytes) {
    auto data = reinterpret_cast<const std::uint8_t*>(bytes.data());
    std::size_t size = bytes.size();
    std::size_t used = length_ % 64;
    length_ += size;
    if (used != 0) {
        const std::size_t take = std::min(size, 64 - used);
        std::memcpy(buffer_.data() + used, data, take);
        data += take;
        size -= take;
        if (used + take < 64)
            return;
        Transform(buffer_.data());
    }
    for (; size >= 64; data += 64, size -= 64)
        Transform(data);
    std::memcpy(buffer_.data(), data, size);
}

std::string Md5::FinishHex() {
    const std::uint64_t bit_length = length_ * 8;
    const std::size_t used = length_ % 64;
    const std::size_t padding = used < 56 ? 56 - used : 120 - used;
    std::string tail(padding + 8, '\0');
    tail[0] = static_cast<char>(0x80);
    for (int i = 0; i < 8; ++i)
        tail[padding + i] = static_cast<char>(bit_length >> (8 * i));
    Update(tail);

    static constexpr char kDigits[] = "0123456789abcdef";
    std::string hex;
    for (std::uint32_t word : state_) {
        for (int i = 0; i < 4; ++i) {
            const auto byte = static_cast<std::uint8_t>(word >> (8 * i));
            hex += kDigits[byte >> 4];
            hex += kDigits[byte & 0xf];
        }
    }
    return hex;
}

std::string Md5Hex(std::string_view bytes) {
    Md5 md5;
    md5.Update(bytes);
    return md5.FinishHex();
}

std::optional<std::string> Md5HexOfFile(const std::filesystem::path& path) {
    // A folder or a pipe is no document; a pipe could also block the read forever.
    std::error_code error;
    if (!std::filesystem::is_regular_file(path, error))
        return std::nullopt;
    std::ifstream file(path, std::ios::binary);
    if (!file)
        return std::nullopt;
    Md5 md5;
    char block[1024];
    while (file.read(block, sizeof block) || file.gcount() > 0)
        md5.Update(std::string_view(block, static_cast<std::size_t>(file.gcount())));
    if (file.bad())
        return std::nullopt;
    return md5.FinishHex();
}

}  // namespace tasks
