#include "reconstruct/FontNames.h"

#include <iconv.h>

#include <array>
#include <cctype>

namespace reconstruct {
namespace {

constexpr std::size_t kSubsetTagLength = 6;

bool HasSubsetPrefix(std::string_view name) {
    if (name.size() <= kSubsetTagLength || name[kSubsetTagLength] != '+')
        return false;
    for (std::size_t i = 0; i < kSubsetTagLength; ++i) {
        if (name[i] < 'A' || name[i] > 'Z')
            return false;
    }
    return true;
}

bool IsValidUtf8(std::string_view text) {
    std::size_t i = 0;
    while (i < text.size()) {
        const auto lead = static_cast<unsigned char>(text[i]);
        int follow = 0;
        if (lead < 0x80)
            follow = 0;
        else if ((lead & 0xE0) == 0xC0 && lead >= 0xC2)
            follow = 1;
        else if ((lead & 0xF0) == 0xE0)
            follow = 2;
        else if ((lead & 0xF8) == 0xF0 && lead <= 0xF4)
            follow = 3;
        else
            return false;
        if (i + follow >= text.size() && follow > 0)
            return false;
        for (int k = 1; k <= follow; ++k) {
            if ((static_cast<unsigned char>(text[i + k]) & 0xC0) != 0x80)
                return false;
        }
        i += follow + 1;
    }
    return true;
}

std::string AsciiOnly(std::string_view text) {
    std::string out;
    for (char c : text) {
        if (static_cast<unsigned char>(c) < 0x80)
            out += c;
    }
    return out;
}

// Chinese producers often write base font names in GBK; GB18030 decodes every GBK name.
std::string FromGb18030(std::string_view text) {
    iconv_t converter = iconv_open("UTF-8", "GB18030");
    if (converter == reinterpret_cast<iconv_t>(-1))
        return AsciiOnly(text);
    std::string input(text);
    std::string output(input.size() * 4 + 4, '\0');
    char* in = input.data();
    std::size_t in_left = input.size();
    char* out = output.data();
    std::size_t out_left = output.size();
    const std::size_t result = iconv(converter, &in, &in_left, &out, &out_left);
    iconv_close(converter);
    if (result == static_cast<std::size_t>(-1) || in_left != 0)
        return AsciiOnly(text);
    output.resize(output.size() - out_left);
    return IsValidUtf8(output) ? output : AsciiOnly(text);
}

std::string Lower(std::string_view text) {
    std::string out(text);
    for (char& c : out)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return out;
}

bool ContainsAny(const std::string& text, std::initializer_list<std::string_view> words) {
    for (std::string_view word : words) {
        if (text.find(word) != std::string::npos)
            return true;
    }
    return false;
}

bool EndsWith(std::string_view text, std::string_view suffix) {
    return text.size() >= suffix.size() && text.substr(text.size() - suffix.size()) == suffix;
}

// "TimesNewRomanPSMT" -> "TimesNewRoman", "ArialBold" -> "Arial".
std::string TrimFamily(std::string family) {
    constexpr std::array<std::string_view, 7> kSuffixes = {"PSMT", "PS",     "MT",     "BoldItalic",
                                                           "Bold", "Italic", "Regular"};
    bool trimmed = true;
    while (trimmed) {
        trimmed = false;
        for (std::string_view suffix : kSuffixes) {
            if (family.size() > suffix.size() + 2 && EndsWith(family, suffix)) {
                family.resize(family.size() - suffix.size());
                trimmed = true;
            }
        }
    }
    return family;
}

bool HasNonAscii(std::string_view text) {
    for (char c : text) {
        if (static_cast<unsigned char>(c) >= 0x80)
            return true;
    }
    return false;
}

}  // namespace

std::string CleanFontName(std::string_view raw) {
    if (HasSubsetPrefix(raw))
        raw.remove_prefix(kSubsetTagLength + 1);
    if (IsValidUtf8(raw))
        return std::string(raw);
    return FromGb18030(raw);
}

std::string NameKey(std::string_view name) {
    std::string key;
    for (char c : name) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte >= 0x80 || std::isalnum(byte))
            key += static_cast<char>(std::tolower(byte));
    }
    return key;
}

FontNameTraits ReadFontName(std::string_view clean_name) {
    FontNameTraits traits;
    const std::size_t split = clean_name.find_first_of("-,");
    const std::string_view family_part = clean_name.substr(0, split);
    const std::string style =
        split == std::string_view::npos ? Lower(clean_name) : Lower(clean_name.substr(split + 1));
    const bool has_style_part = split != std::string_view::npos;
    traits.family = TrimFamily(std::string(family_part));
    if (traits.family.empty())
        traits.family = std::string(clean_name);

    traits.bold = ContainsAny(style, {"bold", "粗"}) ||
                  (has_style_part && ContainsAny(style, {"black", "heavy", "demi"}));
    traits.italic = ContainsAny(style, {"italic", "oblique"}) ||
                    (has_style_part && (style == "it" || EndsWith(style, "it")));

    const std::string key = NameKey(clean_name);
    traits.monospace = ContainsAny(key, {"courier", "mono", "consol", "fixed", "typewriter"});
    traits.cjk =
        HasNonAscii(clean_name) ||
        ContainsAny(key, {"simsun",  "simhei",   "simkai",   "kaiti",       "fangsong",
                          "yahei",   "stsong",   "stheiti",  "stkaiti",     "stfangsong",
                          "mingliu", "dengxian", "msgothic", "msmincho",    "batang",
                          "gulim",   "songti",   "heiti",    "notosanscjk", "notoserifcjk"});
    traits.sans = ContainsAny(key, {"sans", "arial", "helvetica", "verdana", "tahoma", "calibri",
                                    "segoe", "hei", "黑", "gothic", "dengxian", "等线", "gulim"});
    traits.serif =
        !traits.sans && ContainsAny(key, {"times",   "roman",   "serif",    "georgia", "garamond",
                                          "minion",  "cambria", "palatino", "bookman", "antiqua",
                                          "century", "song",    "simsun",   "ming",    "kai",
                                          "宋",      "明",      "楷",       "mincho",  "batang"});
    return traits;
}

}  // namespace reconstruct
