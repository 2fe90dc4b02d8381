#include "util/JsonText.h"

#include <algorithm>
#include <cstdint>

#include "util/JsonCursor.h"
#include "util/JsonLimits.h"

namespace BkJsonEx {
namespace {

constexpr std::string_view kReplacement = "\xEF\xBF\xBD";

bool IsContinuation(unsigned char byte, unsigned char low = 0x80, unsigned char high = 0xBF) {
    return byte >= low && byte <= high;
}

int HexValue(char c) {
    if (c >= '0' && c <= '9') {
        return c - '0';
    }
    if (c >= 'a' && c <= 'f') {
        return c - 'a' + 10;
    }
    if (c >= 'A' && c <= 'F') {
        return c - 'A' + 10;
    }
    return -1;
}

bool IsHighSurrogate(char32_t unit) {
    return unit >= 0xD800 && unit <= 0xDBFF;
}

bool IsLowSurrogate(char32_t unit) {
    return unit >= 0xDC00 && unit <= 0xDFFF;
}

// The decoded character of a one-character escape, NUL when there is none.
char SimpleEscape(char c) {
    switch (c) {
        case '"':
        case '/':
        case '\\':
            return c;
        case 'b':
            return '\b';
        case 'f':
            return '\f';
        case 'n':
            return '\n';
        case 'r':
            return '\r';
        case 't':
            return '\t';
        default:
            return '\0';
    }
}

// The escape that writes `c`, or NUL when `c` is written some other way.
char EscapeLetter(char c) {
    switch (c) {
        case '"':
        case '/':
        case '\\':
            return c;
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
            return '\0';
    }
}

// At the "u" of an escape: reads the four hexadecimal digits after it. Errors are placed at the
// "u", except that a text ending among the digits is an unclosed string.
bool ReadCodeUnit(Cursor& cursor, char32_t& unit) {
    const std::size_t at = cursor.Position();
    cursor.Advance();
    unit = 0;
    for (int i = 0; i < 4; ++i) {
        if (cursor.AtEnd()) {
            return cursor.Fail(kStringNotClosed);
        }
        const int digit = HexValue(cursor.Peek());
        if (digit < 0) {
            return cursor.FailAt(kBadEscape, at);
        }
        unit = unit * 16 + static_cast<char32_t>(digit);
        cursor.Advance();
    }
    // A NUL could not be held by the strings this format was made for, so "\u0000" stays
    // refused.
    return unit != 0 || cursor.FailAt(kBadEscape, at);
}

// At the "u" of an escape. A surrogate pair in two escapes becomes one character; a surrogate
// without its partner is refused at the "u" of its own escape.
bool ReadUnicodeEscape(Cursor& cursor, std::string& out) {
    const std::size_t at = cursor.Position();
    char32_t unit = 0;
    if (!ReadCodeUnit(cursor, unit)) {
        return false;
    }
    if (IsLowSurrogate(unit)) {
        return cursor.FailAt(kBadEscape, at);
    }
    if (!IsHighSurrogate(unit)) {
        AppendUtf8(out, unit);
        return true;
    }
    if (!cursor.Rest().starts_with("\\u")) {
        return cursor.FailAt(kBadEscape, at);
    }
    cursor.Advance();
    char32_t low = 0;
    if (!ReadCodeUnit(cursor, low)) {
        return false;
    }
    if (!IsLowSurrogate(low)) {
        return cursor.FailAt(kBadEscape, at);
    }
    AppendUtf8(out, 0x10000 + ((unit - 0xD800) << 10) + (low - 0xDC00));
    return true;
}

// At the character after a backslash.
bool ReadEscape(Cursor& cursor, std::string& out) {
    if (cursor.AtEnd()) {
        return cursor.Fail(kStringNotClosed);
    }
    if (cursor.Peek() == 'u') {
        return ReadUnicodeEscape(cursor, out);
    }
    const char decoded = SimpleEscape(cursor.Peek());
    if (decoded == '\0') {
        return cursor.Fail(kBadEscape);
    }
    out.push_back(decoded);
    cursor.Advance();
    return true;
}

// At a character of the string that is neither the closing quote nor a backslash.
bool ReadCharacter(Cursor& cursor, std::string& out) {
    const std::size_t length = cursor.Peek() == '\0' ? 0 : Utf8SequenceLength(cursor.Rest());
    if (length == 0) {
        return cursor.Fail(kBadCharacter);
    }
    out.append(cursor.Rest().substr(0, length));
    cursor.Advance(length);
    return true;
}

void AppendUnitEscape(std::string& out, std::uint32_t unit) {
    constexpr std::string_view kDigits = "0123456789abcdef";
    out += "\\u";
    for (int shift = 12; shift >= 0; shift -= 4) {
        out.push_back(kDigits[(unit >> shift) & 0xF]);
    }
}

// Writes the character at the start of `text` and returns the bytes it took.
std::size_t AppendEscapedCharacter(std::string& out, std::string_view text) {
    const auto lead = static_cast<unsigned char>(text[0]);
    if (const char letter = EscapeLetter(text[0]); letter != '\0') {
        out.push_back('\\');
        out.push_back(letter);
        return 1;
    }
    if (lead < 0x20 || lead == 0x7F) {
        AppendUnitEscape(out, lead);
        return 1;
    }
    if (lead < 0x80) {
        out.push_back(text[0]);
        return 1;
    }
    const std::size_t length = Utf8SequenceLength(text);
    if (length == 0) {
        // Unreachable for clean text; still never loops or writes invalid UTF-8.
        out += kReplacement;
        return 1;
    }
    if (lead == 0xC2 || lead == 0xC3) {
        AppendUnitEscape(out,
                         ((lead & 0x1Fu) << 6) | (static_cast<unsigned char>(text[1]) & 0x3Fu));
        return length;
    }
    out.append(text.substr(0, length));
    return length;
}

}  // namespace

std::size_t Utf8SequenceLength(std::string_view text) {
    if (text.empty()) {
        return 0;
    }
    const auto lead = static_cast<unsigned char>(text[0]);
    if (lead < 0x80) {
        return 1;
    }
    std::size_t length = 0;
    unsigned char low = 0x80;
    unsigned char high = 0xBF;
    if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3;
        low = lead == 0xE0 ? 0xA0 : low;
        high = lead == 0xED ? 0x9F : high;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4;
        low = lead == 0xF0 ? 0x90 : low;
        high = lead == 0xF4 ? 0x8F : high;
    } else {
        return 0;
    }
    if (text.size() < length || !IsContinuation(static_cast<unsigned char>(text[1]), low, high)) {
        return 0;
    }
    for (std::size_t i = 2; i < length; ++i) {
        if (!IsContinuation(static_cast<unsigned char>(text[i]))) {
            return 0;
        }
    }
    return length;
}

void AppendUtf8(std::string& out, char32_t code_point) {
    const auto byte = [&out](char32_t bits) { out.push_back(static_cast<char>(bits)); };
    if (code_point < 0x80) {
        byte(code_point);
    } else if (code_point < 0x800) {
        byte(0xC0 | (code_point >> 6));
        byte(0x80 | (code_point & 0x3F));
    } else if (code_point < 0x10000) {
        byte(0xE0 | (code_point >> 12));
        byte(0x80 | ((code_point >> 6) & 0x3F));
        byte(0x80 | (code_point & 0x3F));
    } else {
        byte(0xF0 | (code_point >> 18));
        byte(0x80 | ((code_point >> 12) & 0x3F));
        byte(0x80 | ((code_point >> 6) & 0x3F));
        byte(0x80 | (code_point & 0x3F));
    }
}

std::string CleanText(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (std::size_t pos = 0; pos < text.size();) {
        const std::size_t length = text[pos] == '\0' ? 0 : Utf8SequenceLength(text.substr(pos));
        if (length == 0) {
            out += kReplacement;
            ++pos;
            continue;
        }
        out.append(text.substr(pos, length));
        pos += length;
    }
    return out;
}

bool ReadString(Cursor& cursor, std::string& out) {
    cursor.SkipWhiteSpace();
    if (!cursor.Take('"')) {
        return cursor.Fail(kQuoteExpected);
    }
    while (!cursor.AtEnd()) {
        if (cursor.Take('"')) {
            return true;
        }
        const bool read = cursor.Take('\\') ? ReadEscape(cursor, out) : ReadCharacter(cursor, out);
        if (!read) {
            return false;
        }
    }
    return cursor.Fail(kStringNotClosed);
}

void AppendQuoted(std::string& out, std::string_view text) {
    out.push_back('"');
    for (std::size_t pos = 0; pos < text.size();) {
        pos += AppendEscapedCharacter(out, text.substr(pos));
    }
    out.push_back('"');
}

void AppendSpaces(std::string& out, int count) {
    if (count > 0) {
        out.append(static_cast<std::size_t>(count), ' ');
    }
}

int InnerIndent(int indent, int step) {
    const long long inner = static_cast<long long>(std::max(indent, 0)) + std::max(step, 0);
    return static_cast<int>(std::min<long long>(inner, kMaxIndent));
}

}  // namespace BkJsonEx
