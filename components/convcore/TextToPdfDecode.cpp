#include "convcore/TextToPdfDecode.h"

#include <iconv.h>

#include <cerrno>
#include <cstddef>
#include <optional>

#include "platform/Text.h"

namespace convcore {
namespace {

constexpr std::string_view kUtf8Bom = "\xEF\xBB\xBF";
constexpr std::string_view kUtf16LeBom = "\xFF\xFE";
constexpr std::string_view kUtf16BeBom = "\xFE\xFF";
constexpr std::string_view kReplacement = "\xEF\xBF\xBD";  // U+FFFD
// Enough text to see the pattern of zero bytes; the rest of a big file only costs time.
constexpr std::size_t kUtf16Sample = 64 * 1024;
// Invalid UTF-8 below one sequence in this many non-ASCII bytes is damage, not another
// encoding: GB18030 text breaks UTF-8 rules at nearly every character.
constexpr std::size_t kNonAsciiPerUtf8Error = 50;

bool IsContinuation(unsigned char byte) {
    return (byte & 0xC0) == 0x80;
}

// The length of the well-formed UTF-8 sequence at `at`, 0 when it is not one.
std::size_t Utf8SequenceLength(std::string_view bytes, std::size_t at) {
    const auto lead = static_cast<unsigned char>(bytes[at]);
    std::size_t length = 0;
    unsigned char low = 0x80;
    unsigned char high = 0xBF;
    if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3;
        low = lead == 0xE0 ? 0xA0 : low;    // overlong
        high = lead == 0xED ? 0x9F : high;  // surrogates
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4;
        low = lead == 0xF0 ? 0x90 : low;    // overlong
        high = lead == 0xF4 ? 0x8F : high;  // beyond U+10FFFF
    }
    if (length == 0 || at + length > bytes.size())
        return 0;
    const auto second = static_cast<unsigned char>(bytes[at + 1]);
    if (second < low || second > high)
        return 0;
    for (std::size_t next = at + 2; next < at + length; ++next) {
        if (!IsContinuation(static_cast<unsigned char>(bytes[next])))
            return 0;
    }
    return length;
}

bool IsMostlyUtf8(std::string_view bytes) {
    std::size_t non_ascii = 0;
    std::size_t invalid = 0;
    for (std::size_t at = 0; at < bytes.size();) {
        if (static_cast<unsigned char>(bytes[at]) < 0x80) {
            ++at;
            continue;
        }
        const std::size_t length = Utf8SequenceLength(bytes, at);
        non_ascii += length == 0 ? 1 : length;
        invalid += length == 0 ? 1 : 0;
        at += length == 0 ? 1 : length;
    }
    return invalid == 0 || invalid * kNonAsciiPerUtf8Error < non_ascii;
}

std::optional<TextEncoding> GuessUtf16WithoutBom(std::string_view bytes) {
    const std::size_t sample = std::min(bytes.size(), kUtf16Sample) & ~std::size_t{1};
    const std::size_t units = sample / 2;
    std::size_t zero_first = 0;   // the first byte of a unit is zero: big-endian ASCII
    std::size_t zero_second = 0;  // the second byte is zero: little-endian ASCII
    for (std::size_t at = 0; at < sample; at += 2) {
        zero_first += bytes[at] == '\0' ? 1 : 0;
        zero_second += bytes[at + 1] == '\0' ? 1 : 0;
    }
    // At least a tenth of the units look like ASCII, and zeros on the other side are less
    // common (CJK characters such as U+4E00 have them); binary data has zeros on both sides.
    if (zero_second * 10 >= units && zero_second > 0 && zero_first * 2 < zero_second)
        return TextEncoding::kUtf16Le;
    if (zero_first * 10 >= units && zero_first > 0 && zero_second * 2 < zero_first)
        return TextEncoding::kUtf16Be;
    return std::nullopt;
}

std::string DecodeUtf16(std::string_view bytes, bool little_endian) {
    std::u16string units;
    units.reserve(bytes.size() / 2);
    for (std::size_t at = 0; at + 1 < bytes.size(); at += 2) {
        const auto first = static_cast<unsigned char>(bytes[at]);
        const auto second = static_cast<unsigned char>(bytes[at + 1]);
        units.push_back(
            static_cast<char16_t>(little_endian ? first | (second << 8) : (first << 8) | second));
    }
    std::string text = platform::Utf16ToUtf8(units);
    if (bytes.size() % 2 != 0)
        text += kReplacement;  // half a unit: the file was cut
    return text;
}

// A sequence the converter rejects becomes U+FFFD and decoding goes on after its first byte,
// so one damaged character never costs the rest of the file.
std::string DecodeGb18030(std::string_view bytes) {
    iconv_t converter = ::iconv_open("UTF-8", "GB18030");
    if (converter == reinterpret_cast<iconv_t>(-1))
        return platform::Utf16ToUtf8(platform::Utf8ToUtf16(bytes));
    std::string text;
    text.reserve(bytes.size() * 3 / 2);
    char buffer[16 * 1024];
    char* in = const_cast<char*>(bytes.data());
    std::size_t in_left = bytes.size();
    while (in_left > 0) {
        char* out = buffer;
        std::size_t out_left = sizeof(buffer);
        const std::size_t done = ::iconv(converter, &in, &in_left, &out, &out_left);
        const int failure = done == static_cast<std::size_t>(-1) ? errno : 0;
        text.append(buffer, static_cast<std::size_t>(out - buffer));
        if (failure == EILSEQ || failure == EINVAL) {
            text += kReplacement;
            ++in;
            --in_left;
            ::iconv(converter, nullptr, nullptr, nullptr, nullptr);
        } else if (failure != 0 && failure != E2BIG) {
            text += kReplacement;
            break;
        }
    }
    ::iconv_close(converter);
    return text;
}

std::string_view WithoutPrefix(std::string_view bytes, std::string_view prefix) {
    return bytes.substr(bytes.starts_with(prefix) ? prefix.size() : 0);
}

std::string DecodeAs(std::string_view bytes, TextEncoding encoding) {
    switch (encoding) {
        case TextEncoding::kUtf16Le:
            return DecodeUtf16(WithoutPrefix(bytes, kUtf16LeBom), true);
        case TextEncoding::kUtf16Be:
            return DecodeUtf16(WithoutPrefix(bytes, kUtf16BeBom), false);
        case TextEncoding::kGb18030:
            return DecodeGb18030(bytes);
        case TextEncoding::kUtf8:
            break;
    }
    const std::string_view text = WithoutPrefix(bytes, kUtf8Bom);
    return platform::IsValidUtf8(text) ? std::string(text)
                                       : platform::Utf16ToUtf8(platform::Utf8ToUtf16(text));
}

// Tabs and stray control characters would show as boxes or vanish in the layout, and CR LF
// would make an empty line of its own.
std::string TidyForLayout(std::string_view text) {
    std::string tidy;
    tidy.reserve(text.size() + text.size() / 8);
    int column = 0;
    for (std::size_t at = 0; at < text.size(); ++at) {
        const auto byte = static_cast<unsigned char>(text[at]);
        if (byte == '\r' || byte == '\n') {
            if (byte == '\r' && at + 1 < text.size() && text[at + 1] == '\n')
                ++at;
            tidy += '\n';
            column = 0;
        } else if (byte == '\t') {
            const int spaces = kTabColumns - column % kTabColumns;
            tidy.append(static_cast<std::size_t>(spaces), ' ');
            column += spaces;
        } else {
            tidy += byte < 0x20 || byte == 0x7F ? ' ' : static_cast<char>(byte);
            column += IsContinuation(byte) ? 0 : 1;
        }
    }
    if (!tidy.empty() && tidy.back() == '\n')
        tidy.pop_back();
    return tidy;
}

}  // namespace

TextEncoding DetectTextEncoding(std::string_view bytes) {
    if (bytes.starts_with(kUtf8Bom))
        return TextEncoding::kUtf8;
    if (bytes.starts_with(kUtf16LeBom))
        return TextEncoding::kUtf16Le;
    if (bytes.starts_with(kUtf16BeBom))
        return TextEncoding::kUtf16Be;
    if (const auto utf16 = GuessUtf16WithoutBom(bytes))
        return *utf16;
    return IsMostlyUtf8(bytes) ? TextEncoding::kUtf8 : TextEncoding::kGb18030;
}

DecodedText DecodeTextFile(std::string_view bytes) {
    DecodedText decoded;
    decoded.encoding = DetectTextEncoding(bytes);
    decoded.text = TidyForLayout(DecodeAs(bytes, decoded.encoding));
    return decoded;
}

}  // namespace convcore
