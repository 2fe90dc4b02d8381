#include "report/JsonText.h"

#include "platform/Text.h"

namespace report {
namespace {

constexpr char kHexDigits[] = "0123456789abcdef";
constexpr std::string_view kLineSeparator = "\xE2\x80\xA8";
constexpr std::string_view kParagraphSeparator = "\xE2\x80\xA9";

void AppendUnicodeEscape(std::string& out, unsigned code) {
    out += "\\u";
    for (int shift = 12; shift >= 0; shift -= 4)
        out += kHexDigits[(code >> shift) & 0xF];
}

// The short escapes JSON has; 0 for characters that need none or need \u.
char ShortEscape(char c) {
    switch (c) {
        case '"':
            return '"';
        case '\\':
            return '\\';
        case '\b':
            return 'b';
        case '\f':
            return 'f';
        case '\n':
            return 'n';
        case '\r':
            return 'r';
        case '\t':
            return 't';
        default:
            return 0;
    }
}

void AppendEscaped(std::string& out, std::string_view valid_utf8) {
    for (std::size_t i = 0; i < valid_utf8.size(); ++i) {
        const char c = valid_utf8[i];
        const auto byte = static_cast<unsigned char>(c);
        const std::string_view rest = valid_utf8.substr(i);
        if (const char escape = ShortEscape(c)) {
            out += '\\';
            out += escape;
        } else if (byte < 0x20 || byte == 0x7F) {
            AppendUnicodeEscape(out, byte);
        } else if (rest.starts_with(kLineSeparator) || rest.starts_with(kParagraphSeparator)) {
            AppendUnicodeEscape(out, rest.starts_with(kLineSeparator) ? 0x2028 : 0x2029);
            i += kLineSeparator.size() - 1;
        } else {
            out += c;
        }
    }
}

}  // namespace

void AppendJsonString(std::string& out, std::string_view text) {
    out += '"';
    if (platform::IsValidUtf8(text))
        AppendEscaped(out, text);
    else
        AppendEscaped(out, platform::Utf16ToUtf8(platform::Utf8ToUtf16(text)));
    out += '"';
}

std::string JsonString(std::string_view text) {
    std::string out;
    AppendJsonString(out, text);
    return out;
}

}  // namespace report
