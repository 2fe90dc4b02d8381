#include "reconstruct/ListMarkers.h"

#include <string_view>

#include "platform/Utf8Append.h"
#include "reconstruct/Numerals.h"
#include "reconstruct/TextRuns.h"

namespace reconstruct {
namespace {

// Markers are short; looking further would only let sentences pass for markers.
constexpr std::size_t kLongestMarker = 12;
constexpr int kLargestNumber = 999;

bool IsSpace(char32_t code) {
    return code == U' ' || code == U'\t' || code == 0xA0 || code == 0x3000;
}

bool IsDigit(char32_t code) {
    return code >= U'0' && code <= U'9';
}

bool IsLetter(char32_t code) {
    return (code >= U'a' && code <= U'z') || (code >= U'A' && code <= U'Z');
}

bool IsSymbolBullet(char32_t code) {
    static constexpr std::u32string_view kBullets = U"•●○◦■□▪▫◆◇►▶➢➤✓✔❖·‣⁃";
    // Symbol fonts put their bullets in the private use area.
    return kBullets.find(code) != std::u32string_view::npos || (code >= 0xF000 && code <= 0xF0FF);
}

bool IsDashBullet(char32_t code) {
    return code == U'-' || code == U'*' || code == U'–' || code == U'—' || code == U'+';
}

struct Token {
    ListKind kind = ListKind::kNone;
    int number = 0;
    int depth = 0;
};

// "12", "1.2.3", "b", "iv", "三": what a numbered marker counts with.
Token ParseToken(std::u32string_view token) {
    if (token.empty())
        return {};
    if (IsDigit(token.front())) {
        Token parsed{ListKind::kDecimal, 0, 0};
        int part = 0;
        std::size_t digits = 0;
        for (char32_t code : token) {
            if (code == U'.' && digits > 0) {
                ++parsed.depth;
                parsed.number = part;
                part = 0;
                digits = 0;
                continue;
            }
            if (!IsDigit(code) || ++digits > 3)
                return {};
            part = part * 10 + static_cast<int>(code - U'0');
        }
        if (digits == 0 || part == 0 || part > kLargestNumber)
            return {};
        parsed.number = part;
        return parsed;
    }
    const bool one_letter = token.size() == 1 && IsLetter(token.front());
    const bool upper = token.front() >= U'A' && token.front() <= U'Z';
    // A lone "v" or "x" is far more often a letter item than a Roman five or ten.
    const bool roman_ok = !one_letter || token.front() == U'i' || token.front() == U'I';
    if (const int roman = RomanValue(token); roman > 0 && roman_ok)
        return {upper ? ListKind::kUpperRoman : ListKind::kLowerRoman, roman, 0};
    if (one_letter) {
        const int number = static_cast<int>(token.front() - (upper ? U'A' : U'a')) + 1;
        return {upper ? ListKind::kUpperLetter : ListKind::kLowerLetter, number, 0};
    }
    if (const int chinese = ChineseNumeralValue(token); chinese > 0)
        return {ListKind::kChinese, chinese, 0};
    return {};
}

bool IsOpening(char32_t code) {
    return code == U'(' || code == U'（';
}

bool IsClosing(char32_t code) {
    return code == U')' || code == U'）';
}

// The marker at the start of `text` and how many code points it takes, before any space.
std::optional<std::pair<Token, std::size_t>> MatchMarker(std::u32string_view text) {
    const char32_t first = text.front();
    if (IsSymbolBullet(first))
        return std::pair{Token{ListKind::kBullet}, std::size_t{1}};
    if (IsDashBullet(first))
        return text.size() > 1 && IsSpace(text[1])
                   ? std::optional{std::pair{Token{ListKind::kBullet}, std::size_t{1}}}
                   : std::nullopt;
    if (first >= 0x2460 && first <= 0x2473)  // circled numbers
        return std::pair{Token{ListKind::kDecimal, static_cast<int>(first - 0x2460) + 1},
                         std::size_t{1}};
    if (first >= 0x2474 && first <= 0x2487)  // parenthesised numbers
        return std::pair{Token{ListKind::kDecimal, static_cast<int>(first - 0x2474) + 1},
                         std::size_t{1}};
    if (IsOpening(first)) {
        const std::size_t close = text.find_first_of(U")）");
        if (close == std::u32string_view::npos || close < 2)
            return std::nullopt;
        const Token token = ParseToken(text.substr(1, close - 1));
        if (token.kind == ListKind::kNone || token.depth > 0)
            return std::nullopt;
        return std::pair{token, close + 1};
    }
    std::size_t end = 0;
    while (end < text.size() && !IsSpace(text[end]) && !IsClosing(text[end]) &&
           text[end] != U'、' && text[end] != U'．')
        ++end;
    if (end == 0)
        return std::nullopt;
    const bool closed = end < text.size() && !IsSpace(text[end]);
    std::u32string_view token = text.substr(0, end);
    if (!closed && token.back() == U'.')
        token.remove_suffix(1);
    const Token parsed = ParseToken(token);
    if (parsed.kind == ListKind::kNone)
        return std::nullopt;
    // Without a closing mark only a dotted number such as "1.2" reads as a marker.
    if (!closed && token.size() == end) {
        const bool sentence_goes_on =
            end + 1 < text.size() && text[end + 1] >= U'a' && text[end + 1] <= U'z';
        if (parsed.depth == 0 || sentence_goes_on)
            return std::nullopt;
    }
    if (parsed.kind == ListKind::kChinese && (!closed || text[end] != U'、'))
        return std::nullopt;
    return std::pair{parsed, closed ? end + 1 : end};
}

}  // namespace

std::optional<ListMarker> FindListMarker(std::span<const RawChar> chars) {
    std::size_t start = 0;
    while (start < chars.size() && IsSpace(chars[start].code))
        ++start;
    std::u32string text;
    for (std::size_t i = start; i < chars.size() && text.size() < kLongestMarker; ++i)
        text.push_back(chars[i].code);
    if (text.empty())
        return std::nullopt;
    const auto match = MatchMarker(text);
    if (!match)
        return std::nullopt;
    const std::size_t marker_end = start + match->second;
    std::size_t text_start = marker_end;
    while (text_start < chars.size() && IsSpace(chars[text_start].code))
        ++text_start;
    if (text_start >= chars.size())
        return std::nullopt;
    // "3.5 million" or "a.m." starts a sentence, not a list: markers that end in Latin
    // punctuation need a space after them unless Chinese text follows.
    const char32_t last = text[match->second - 1];
    const bool needs_space =
        last == U')' || last == U'.' || IsDashBullet(last) || IsDigit(last) || IsLetter(last);
    if (needs_space && text_start == marker_end && !IsCjk(chars[marker_end].code))
        return std::nullopt;
    ListMarker marker;
    marker.kind = match->first.kind;
    marker.number = match->first.number;
    marker.depth = match->first.depth;
    marker.length = text_start;
    for (std::size_t i = start; i < marker_end; ++i)
        platform::AppendUtf8(chars[i].code, &marker.text);
    return marker;
}

}  // namespace reconstruct
