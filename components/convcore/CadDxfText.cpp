#include "convcore/CadDxfText.h"

#include <iconv.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <charconv>
#include <string>

#include "platform/Text.h"
#include "platform/Utf8Append.h"

namespace convcore {
namespace {

constexpr std::string_view kFirstUtf8Version = "AC1021";
constexpr char kReplacement[] = "\xEF\xBF\xBD";

iconv_t Converter(void* handle) {
    return static_cast<iconv_t>(handle);
}

bool IsNoConverter(void* handle) {
    return handle == nullptr;
}

// "ANSI_936" is CP936 to iconv; the DOS forms name the same numbers.
std::string IconvName(std::string_view code_page) {
    const std::string upper = platform::AsciiToUpper(code_page);
    for (const std::string_view prefix : {"ANSI_", "DOS"}) {
        if (upper.starts_with(prefix))
            return "CP" + upper.substr(prefix.size());
    }
    return upper;
}

std::string Sanitised(std::string_view text) {
    if (platform::IsValidUtf8(text))
        return std::string(text);
    return platform::Utf16ToUtf8(platform::Utf8ToUtf16(text));
}

void AppendCodePoint(std::string* out, char32_t code) {
    if (code == 0 || (code >= 0xD800 && code <= 0xDFFF) || code > 0x10FFFF) {
        out->append(kReplacement);
        return;
    }
    if (code < 0x20) {
        out->push_back(' ');
        return;
    }
    platform::AppendUtf8(code, out);
}

// Replaces a symbol code at `text[*at]` ("%%x" or "\U+XXXX"), appending its character;
// false when there is none there.
bool TakeSymbol(std::string_view text, std::size_t* at, std::string* out) {
    const std::string_view rest = text.substr(*at);
    if (rest.size() >= 7 && (rest.starts_with("\\U+") || rest.starts_with("\\u+"))) {
        unsigned code = 0;
        const auto [end, failure] = std::from_chars(rest.data() + 3, rest.data() + 7, code, 16);
        if (failure == std::errc() && end == rest.data() + 7) {
            AppendCodePoint(out, code);
            *at += 7;
            return true;
        }
        return false;
    }
    if (rest.size() < 3 || !rest.starts_with("%%"))
        return false;
    const char which = static_cast<char>(std::tolower(static_cast<unsigned char>(rest[2])));
    if (std::isdigit(static_cast<unsigned char>(rest[2])) != 0 && rest.size() >= 5) {
        unsigned code = 0;
        const auto [end, failure] = std::from_chars(rest.data() + 2, rest.data() + 5, code);
        if (failure == std::errc() && end == rest.data() + 5) {
            AppendCodePoint(out, code);
            *at += 5;
            return true;
        }
    }
    switch (which) {
        case 'c':
            out->append("\xE2\x8C\x80");  // diameter sign
            break;
        case 'd':
            out->append("\xC2\xB0");  // degree sign
            break;
        case 'p':
            out->append("\xC2\xB1");  // plus-minus sign
            break;
        case '%':
            out->push_back('%');
            break;
        case 'u':
        case 'o':
        case 'k':
            break;  // underline, overline and strike-through switches
        default:
            return false;
    }
    *at += 3;
    return true;
}

// "^ " stands for a caret and "^I", "^J", "^M" for control characters, which show as blanks.
bool TakeCaret(std::string_view text, std::size_t* at, std::string* out) {
    if (text[*at] != '^' || *at + 1 >= text.size())
        return false;
    const char next = text[*at + 1];
    if (next != ' ' && next != 'I' && next != 'J' && next != 'M')
        return false;
    out->push_back(next == ' ' ? '^' : ' ');
    *at += 2;
    return true;
}

// Control characters show as blanks; the only line break is the one switches make.
char Printable(char c) {
    return static_cast<unsigned char>(c) < 0x20 ? ' ' : c;
}

// The position after the ';' that ends a switch's argument starting at `from`.
std::size_t AfterArgument(std::string_view text, std::size_t from) {
    const std::size_t end = text.find(';', from);
    return end == std::string_view::npos ? text.size() : end + 1;
}

// A stacked fraction "\Sa^b;" (or a/b, a#b) as "a/b".
std::size_t TakeStack(std::string_view text, std::size_t from, std::string* out) {
    const std::size_t end = AfterArgument(text, from);
    for (std::size_t i = from; i < end; ++i) {
        const char c = text[i];
        if (c == ';')
            break;
        out->push_back(c == '^' || c == '#' ? '/' : c);
    }
    return end;
}

// One backslash switch of paragraph text at `text[at]`; the position after it.
std::size_t TakeSwitch(std::string_view text, std::size_t at, std::string* out) {
    if (at + 1 >= text.size())
        return text.size();
    const char which = text[at + 1];
    switch (which) {
        case 'P':
        case 'N':
        case 'X':
            out->push_back('\n');
            return at + 2;
        case '~':
            out->append("\xC2\xA0");
            return at + 2;
        case '\\':
        case '{':
        case '}':
            out->push_back(which);
            return at + 2;
        case 'M':
            return std::min(text.size(), at + 8);  // \M+nXXXX: a double-byte code; dropped
        case 'S':
            return TakeStack(text, at + 2, out);
        case 'f':
        case 'F':
        case 'H':
        case 'W':
        case 'Q':
        case 'T':
        case 'A':
        case 'C':
        case 'c':
        case 'p':
            return AfterArgument(text, at + 2);
        default:
            return at + 2;  // \L \l \O \o \K \k and unknown switches
    }
}

}  // namespace

DxfTextDecoder::~DxfTextDecoder() {
    Close();
}

void DxfTextDecoder::Close() {
    if (!IsNoConverter(converter_))
        iconv_close(Converter(converter_));
    converter_ = nullptr;
}

void DxfTextDecoder::Configure(std::string_view version, std::string_view code_page) {
    Close();
    western_ = false;
    if (version >= kFirstUtf8Version)
        return;
    const std::string name = code_page.empty() ? "CP1252" : IconvName(code_page);
    western_ = name == "CP1252";
    const iconv_t opened = iconv_open("UTF-8", name.c_str());
    if (opened != reinterpret_cast<iconv_t>(-1))
        converter_ = opened;
}

std::string DxfTextDecoder::ToUtf8(std::string_view raw) {
    const bool ascii = std::all_of(raw.begin(), raw.end(),
                                   [](char c) { return static_cast<unsigned char>(c) < 0x80; });
    if (ascii || IsNoConverter(converter_))
        return Sanitised(raw);
    // UTF-8 in a file that claims a Western code page is UTF-8 written by a careless tool:
    // real Western text almost never forms valid multi-byte sequences.
    if (western_ && platform::IsValidUtf8(raw))
        return std::string(raw);
    iconv(Converter(converter_), nullptr, nullptr, nullptr, nullptr);
    std::string out;
    char buffer[1024];
    char* in = const_cast<char*>(raw.data());
    std::size_t in_left = raw.size();
    while (in_left > 0) {
        char* write = buffer;
        std::size_t room = sizeof buffer;
        const std::size_t done = iconv(Converter(converter_), &in, &in_left, &write, &room);
        out.append(buffer, static_cast<std::size_t>(write - buffer));
        if (done != static_cast<std::size_t>(-1) || errno == E2BIG)
            continue;
        out.append(kReplacement);  // a byte the code page does not define
        ++in;
        --in_left;
        iconv(Converter(converter_), nullptr, nullptr, nullptr, nullptr);
    }
    return Sanitised(out);
}

std::string PlainLineText(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (std::size_t at = 0; at < text.size();) {
        if (TakeSymbol(text, &at, &out) || TakeCaret(text, &at, &out))
            continue;
        out.push_back(Printable(text[at++]));
    }
    return out;
}

std::string PlainParagraphText(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (std::size_t at = 0; at < text.size();) {
        if (TakeSymbol(text, &at, &out) || TakeCaret(text, &at, &out))
            continue;
        const char c = text[at];
        if (c == '\\') {
            at = TakeSwitch(text, at, &out);
        } else {
            if (c != '{' && c != '}')
                out.push_back(Printable(c));
            ++at;
        }
    }
    return out;
}

}  // namespace convcore
