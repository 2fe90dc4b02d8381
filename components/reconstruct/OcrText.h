#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "reconstruct/OcrResult.h"

// The recogniser's words as text: how they join, and which of them are noise.
namespace reconstruct {

// Below this confidence a word of punctuation alone is taken for specks on the scan.
inline constexpr float kNoiseConfidence = 60;

// Code points of UTF-8 text; invalid sequences give U+FFFD.
std::u32string DecodeUtf8(std::string_view text);

// The words of a line as text: a space between words, none between two Chinese, Japanese or
// Korean characters (the recogniser splits those into words of their own).
std::string LineText(const OcrLine& line);

// True when `before` and `after`, the characters either side of a word gap, are both CJK.
bool JoinsWithoutSpace(char32_t before, char32_t after);

// True for a word of punctuation and symbols only (no letter, digit or ideograph) that the
// recogniser was unsure of: dust, speckles and rule fragments read as ".", "-", "'".
bool IsPunctuationNoise(const OcrWord& word);

// Drops noise words, and the lines they leave empty.
void DropNoise(std::vector<OcrLine>* lines);

}  // namespace reconstruct
