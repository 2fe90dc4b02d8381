#include "app/Base64.h"

#include <cstdint>

namespace base64 {
namespace {

constexpr int kSkip = -1;
constexpr int kPad = -2;
constexpr int kInvalid = -3;

int ValueOf(char c) {
    if (c >= 'A' && c <= 'Z')
        return c - 'A';
    if (c >= 'a' && c <= 'z')
        return c - 'a' + 26;
    if (c >= '0' && c <= '9')
        return c - '0' + 52;
    switch (c) {
        case '+':
            return 62;
        case '/':
            return 63;
        case '=':
            return kPad;
        case '\r':
        case '\n':
        case ' ':
            return kSkip;
        default:
            return kInvalid;
    }
}

// The bytes of the last, partial group: 2 characters give 1 byte, 3 give 2.
bool AppendTail(std::uint32_t bits, int count, std::string& out) {
    if (count == 1)
        return false;
    if (count == 2)
        out += static_cast<char>(bits >> 4);
    if (count == 3) {
        out += static_cast<char>(bits >> 10);
        out += static_cast<char>((bits >> 2) & 0xFF);
    }
    return true;
}

}  // namespace

std::optional<std::string> Decode(std::string_view text) {
    std::string out;
    out.reserve(text.size() / 4 * 3);
    std::uint32_t bits = 0;
    int count = 0;    // characters in the current group
    int padding = 0;  // "=" seen so far; only skipped characters and "=" may follow one
    for (char c : text) {
        const int value = ValueOf(c);
        if (value == kSkip)
            continue;
        if (value == kInvalid || (value >= 0 && padding > 0))
            return std::nullopt;
        if (value == kPad) {
            ++padding;
            continue;
        }
        bits = (bits << 6) | static_cast<std::uint32_t>(value);
        if (++count < 4)
            continue;
        out += static_cast<char>(bits >> 16);
        out += static_cast<char>((bits >> 8) & 0xFF);
        out += static_cast<char>(bits & 0xFF);
        bits = 0;
        count = 0;
    }
    if (padding > 0 && (count == 0 || count + padding != 4))
        return std::nullopt;
    if (!AppendTail(bits, count, out))
        return std::nullopt;
    return out;
}

}  // namespace base64
