#include "platform/Text.h"

#include <algorithm>
#include <limits>

#include "platform/Utf8Append.h"

namespace platform {
namespace {

constexpr char32_t kReplacement = 0xFFFD;

struct Decoded {
    char32_t code_point;
    std::size_t length;  // bytes consumed; an invalid byte is consumed on its own
    bool valid;
};

constexpr Decoded kInvalidByte{kReplacement, 1, false};

constexpr bool IsSurrogate(char32_t c) {
    return c >= 0xD800 && c <= 0xDFFF;
}

struct LeadByte {
    std::size_t length;  // 0 when the byte cannot start a multi-byte sequence
    char32_t bits;
    char32_t smallest;  // below this the sequence is an overlong encoding
};

LeadByte ClassifyLead(unsigned char lead) {
    if ((lead & 0xE0) == 0xC0) {
        return {2, lead & 0x1Fu, 0x80};
    }
    if ((lead & 0xF0) == 0xE0) {
        return {3, lead & 0x0Fu, 0x800};
    }
    if ((lead & 0xF8) == 0xF0) {
        return {4, lead & 0x07u, 0x10000};
    }
    return {0, 0, 0};
}

// Decodes the sequence starting at `pos`. Only the shortest encoding of a scalar value is
// accepted; anything else is reported as a single bad byte so that the caller resynchronises
// on the very next byte.
Decoded DecodeAt(std::string_view text, std::size_t pos) {
    const auto lead = static_cast<unsigned char>(text[pos]);
    if (lead < 0x80) {
        return {lead, 1, true};
    }
    const auto [length, bits, smallest] = ClassifyLead(lead);
    if (length == 0 || text.size() - pos < length) {
        return kInvalidByte;
    }
    char32_t code_point = bits;
    for (std::size_t i = 1; i < length; ++i) {
        const auto byte = static_cast<unsigned char>(text[pos + i]);
        if ((byte & 0xC0) != 0x80) {
            return kInvalidByte;
        }
        code_point = (code_point << 6) | (byte & 0x3F);
    }
    if (code_point < smallest || code_point > 0x10FFFF || IsSurrogate(code_point)) {
        return kInvalidByte;
    }
    return {code_point, length, true};
}

void AppendUtf16(std::u16string& out, char32_t c) {
    if (c < 0x10000) {
        out += static_cast<char16_t>(c);
        return;
    }
    const char32_t offset = c - 0x10000;
    out += static_cast<char16_t>(0xD800 + (offset >> 10));
    out += static_cast<char16_t>(0xDC00 + (offset & 0x3FF));
}

char AsciiToUpper(char c) {
    return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c;
}

bool IsWhiteSpace(char c) {
    return c == ' ' || (c >= '\t' && c <= '\r');
}

// The value of `c` as a digit in any base up to 36; 36 or more when it is no digit at all.
int DigitValue(char c) {
    if (c >= '0' && c <= '9') {
        return c - '0';
    }
    const char lower = AsciiToLower(c);
    if (lower >= 'a' && lower <= 'z') {
        return lower - 'a' + 10;
    }
    return 36;
}

bool IsHexPrefix(std::string_view text, std::size_t pos) {
    return text.size() - pos >= 3 && text[pos] == '0' && AsciiToLower(text[pos + 1]) == 'x' &&
           DigitValue(text[pos + 2]) < 16;
}

// Settles the base from a "0x" or "0" prefix and returns where the digits start. A "0x" that
// no hex digit follows is left alone: its "0" is then the whole number.
std::size_t ApplyBasePrefix(std::string_view text, std::size_t pos, int& base) {
    if ((base == 0 || base == 16) && IsHexPrefix(text, pos)) {
        base = 16;
        return pos + 2;
    }
    if (base == 0) {
        base = pos < text.size() && text[pos] == '0' ? 8 : 10;
    }
    return pos;
}

std::int32_t ClampToInt32(std::uint64_t magnitude, bool negative) {
    constexpr std::uint64_t kMaxMagnitude = std::numeric_limits<std::int32_t>::max();
    if (negative) {
        return magnitude > kMaxMagnitude ? std::numeric_limits<std::int32_t>::min()
                                         : -static_cast<std::int32_t>(magnitude);
    }
    return static_cast<std::int32_t>(std::min(magnitude, kMaxMagnitude));
}

}  // namespace

std::u16string Utf8ToUtf16(std::string_view utf8) {
    std::u16string out;
    out.reserve(utf8.size());
    for (std::size_t pos = 0; pos < utf8.size();) {
        const Decoded decoded = DecodeAt(utf8, pos);
        AppendUtf16(out, decoded.code_point);
        pos += decoded.length;
    }
    return out;
}

std::string Utf16ToUtf8(std::u16string_view utf16) {
    std::string out;
    out.reserve(utf16.size());
    for (std::size_t pos = 0; pos < utf16.size(); ++pos) {
        const char32_t unit = utf16[pos];
        const bool high = unit >= 0xD800 && unit <= 0xDBFF;
        const bool paired =
            high && pos + 1 < utf16.size() && utf16[pos + 1] >= 0xDC00 && utf16[pos + 1] <= 0xDFFF;
        if (paired) {
            AppendUtf8(0x10000 + ((unit - 0xD800) << 10) + (utf16[++pos] - 0xDC00), &out);
        } else {
            AppendUtf8(IsSurrogate(unit) ? kReplacement : unit, &out);
        }
    }
    return out;
}

bool IsValidUtf8(std::string_view text) {
    for (std::size_t pos = 0; pos < text.size();) {
        const Decoded decoded = DecodeAt(text, pos);
        if (!decoded.valid) {
            return false;
        }
        pos += decoded.length;
    }
    return true;
}

std::size_t CountChars(std::string_view utf8) {
    std::size_t count = 0;
    for (std::size_t pos = 0; pos < utf8.size(); ++count) {
        pos += DecodeAt(utf8, pos).length;
    }
    return count;
}

std::string_view TruncateChars(std::string_view utf8, std::size_t max_chars) {
    std::size_t pos = 0;
    for (std::size_t count = 0; count < max_chars && pos < utf8.size(); ++count) {
        pos += DecodeAt(utf8, pos).length;
    }
    return utf8.substr(0, pos);
}

char AsciiToLower(char c) {
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

std::string AsciiToLower(std::string_view text) {
    std::string out(text);
    for (char& c : out) {
        c = AsciiToLower(c);
    }
    return out;
}

std::string AsciiToUpper(std::string_view text) {
    std::string out(text);
    for (char& c : out) {
        c = AsciiToUpper(c);
    }
    return out;
}

bool EqualsIgnoreAsciiCase(std::string_view a, std::string_view b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return AsciiToLower(x) == AsciiToLower(y);
           });
}

bool StartsWithIgnoreAsciiCase(std::string_view text, std::string_view prefix) {
    return text.size() >= prefix.size() &&
           EqualsIgnoreAsciiCase(text.substr(0, prefix.size()), prefix);
}

bool EndsWithIgnoreAsciiCase(std::string_view text, std::string_view suffix) {
    return text.size() >= suffix.size() &&
           EqualsIgnoreAsciiCase(text.substr(text.size() - suffix.size()), suffix);
}

std::int32_t ParseIntLikeWtoi(std::string_view text) {
    return ParseLongLikeWcstol(text, 10);
}

std::int32_t ParseLongLikeWcstol(std::string_view text, int base, std::size_t* consumed) {
    if (consumed != nullptr) {
        *consumed = 0;
    }
    if (base != 0 && (base < 2 || base > 36)) {
        return 0;
    }
    std::size_t pos = 0;
    while (pos < text.size() && IsWhiteSpace(text[pos])) {
        ++pos;
    }
    const bool negative = pos < text.size() && text[pos] == '-';
    if (pos < text.size() && (text[pos] == '+' || text[pos] == '-')) {
        ++pos;
    }
    pos = ApplyBasePrefix(text, pos, base);
    const std::size_t digits_start = pos;
    // Saturating just past the int32 range keeps the arithmetic from overflowing while the
    // remaining digits are still consumed.
    constexpr std::uint64_t kSaturated = std::uint64_t{1} << 32;
    std::uint64_t magnitude = 0;
    for (; pos < text.size() && DigitValue(text[pos]) < base; ++pos) {
        magnitude = std::min(magnitude * base + DigitValue(text[pos]), kSaturated);
    }
    if (pos == digits_start) {
        return 0;
    }
    if (consumed != nullptr) {
        *consumed = pos;
    }
    return ClampToInt32(magnitude, negative);
}

}  // namespace platform
