#include "reconstruct/OcrText.h"

#include <algorithm>

#include "reconstruct/TextRuns.h"

namespace reconstruct {
namespace {

constexpr char32_t kReplacement = 0xFFFD;

// The length of the UTF-8 sequence a lead byte starts, 0 for a byte that cannot lead one.
int SequenceLength(unsigned char lead) {
    if (lead < 0x80)
        return 1;
    if (lead >= 0xC2 && lead <= 0xDF)
        return 2;
    if (lead >= 0xE0 && lead <= 0xEF)
        return 3;
    if (lead >= 0xF0 && lead <= 0xF4)
        return 4;
    return 0;
}

bool IsAsciiPunctuation(char32_t c) {
    return c < 0x80 && !(c >= '0' && c <= '9') && !(c >= 'A' && c <= 'Z') &&
           !(c >= 'a' && c <= 'z');
}

// Punctuation and symbol blocks: Latin-1 signs, general punctuation through the dingbats and
// arrows, CJK symbols and punctuation, vertical and small forms, full-width signs.
bool IsPunctuationOrSymbol(char32_t c) {
    return IsAsciiPunctuation(c) || (c >= 0xA0 && c <= 0xBF) || c == 0xD7 || c == 0xF7 ||
           (c >= 0x2000 && c <= 0x2BFF) || (c >= 0x3000 && c <= 0x303F) ||
           (c >= 0xFE10 && c <= 0xFE1F) || (c >= 0xFE30 && c <= 0xFE6F) ||
           (c >= 0xFF01 && c <= 0xFF0F) || (c >= 0xFF1A && c <= 0xFF20) ||
           (c >= 0xFF3B && c <= 0xFF40) || (c >= 0xFF5B && c <= 0xFF65);
}

}  // namespace

std::u32string DecodeUtf8(std::string_view text) {
    std::u32string out;
    std::size_t i = 0;
    while (i < text.size()) {
        const auto lead = static_cast<unsigned char>(text[i]);
        const int length = SequenceLength(lead);
        if (length == 0 || i + length > text.size()) {
            out.push_back(kReplacement);
            ++i;
            continue;
        }
        char32_t code = length == 1 ? lead : lead & (0x7F >> length);
        bool valid = true;
        for (int k = 1; k < length; ++k) {
            const auto next = static_cast<unsigned char>(text[i + k]);
            valid = valid && (next & 0xC0) == 0x80;
            code = code << 6 | (next & 0x3F);
        }
        const bool overlong = (length == 3 && code < 0x800) || (length == 4 && code < 0x10000);
        const bool surrogate = code >= 0xD800 && code <= 0xDFFF;
        out.push_back(valid && !overlong && !surrogate && code <= 0x10FFFF ? code : kReplacement);
        i += valid ? length : 1;
    }
    return out;
}

bool JoinsWithoutSpace(char32_t before, char32_t after) {
    return IsCjk(before) && IsCjk(after);
}

std::string LineText(const OcrLine& line) {
    std::string text;
    char32_t last = 0;
    for (const OcrWord& word : line.words) {
        const std::u32string codes = DecodeUtf8(word.text);
        if (codes.empty())
            continue;
        if (last != 0 && !JoinsWithoutSpace(last, codes.front()))
            text += ' ';
        text += word.text;
        last = codes.back();
    }
    return text;
}

bool IsPunctuationNoise(const OcrWord& word) {
    if (word.confidence >= kNoiseConfidence)
        return false;
    const std::u32string codes = DecodeUtf8(word.text);
    return std::all_of(codes.begin(), codes.end(), IsPunctuationOrSymbol);
}

void DropNoise(std::vector<OcrLine>* lines) {
    for (OcrLine& line : *lines)
        std::erase_if(line.words, IsPunctuationNoise);
    std::erase_if(*lines, [](const OcrLine& line) { return line.words.empty(); });
}

}  // namespace reconstruct
