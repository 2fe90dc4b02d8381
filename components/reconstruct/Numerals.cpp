#include "reconstruct/Numerals.h"

#include <algorithm>
#include <string>

namespace reconstruct {
namespace {

constexpr std::size_t kLongestRoman = 15;

int RomanDigit(char32_t lower) {
    switch (lower) {
        case U'i':
            return 1;
        case U'v':
            return 5;
        case U'x':
            return 10;
        case U'l':
            return 50;
        case U'c':
            return 100;
        case U'd':
            return 500;
        case U'm':
            return 1000;
        default:
            return 0;
    }
}

char32_t Lower(char32_t code) {
    return code >= U'A' && code <= U'Z' ? code - U'A' + U'a' : code;
}

std::u32string RomanOf(int value) {
    static constexpr struct {
        int value;
        const char32_t* text;
    } kParts[] = {{1000, U"m"}, {900, U"cm"}, {500, U"d"}, {400, U"cd"}, {100, U"c"},
                  {90, U"xc"},  {50, U"l"},   {40, U"xl"}, {10, U"x"},   {9, U"ix"},
                  {5, U"v"},    {4, U"iv"},   {1, U"i"}};
    std::u32string text;
    for (const auto& part : kParts) {
        for (; value >= part.value; value -= part.value)
            text += part.text;
    }
    return text;
}

int ChineseDigit(char32_t code) {
    static constexpr std::u32string_view kDigits = U"一二三四五六七八九";
    const std::size_t at = kDigits.find(code);
    return at == std::u32string_view::npos ? 0 : static_cast<int>(at) + 1;
}

}  // namespace

int RomanValue(std::u32string_view text) {
    if (text.empty() || text.size() > kLongestRoman)
        return 0;
    const bool upper = text.front() >= U'A' && text.front() <= U'Z';
    std::u32string lower;
    int value = 0;
    int previous = 0;
    for (auto it = text.rbegin(); it != text.rend(); ++it) {
        const bool is_upper = *it >= U'A' && *it <= U'Z';
        const int digit = RomanDigit(Lower(*it));
        if (digit == 0 || is_upper != upper)
            return 0;
        value += digit < previous ? -digit : digit;
        previous = std::max(previous, digit);
    }
    for (auto it = text.begin(); it != text.end(); ++it)
        lower.push_back(Lower(*it));
    // Only the canonical spelling counts: "iiii", "ic" or "dim" are letters, not numbers.
    return value > 0 && value < 4000 && RomanOf(value) == lower ? value : 0;
}

int ChineseNumeralValue(std::u32string_view text) {
    const std::size_t ten = text.find(U'十');
    if (ten == std::u32string_view::npos)
        return text.size() == 1 ? ChineseDigit(text.front()) : 0;
    if (ten > 1 || text.size() - ten > 2)
        return 0;
    const int tens = ten == 0 ? 1 : ChineseDigit(text.front());
    const int units = ten + 1 < text.size() ? ChineseDigit(text[ten + 1]) : 0;
    if (tens == 0 || (ten + 1 < text.size() && units == 0))
        return 0;
    return tens * 10 + units;
}

}  // namespace reconstruct
