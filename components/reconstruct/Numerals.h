#pragma once

#include <string_view>

namespace reconstruct {

// The value of a Roman numeral written in one case ("iv", "XII"), or 0 when `text` is not one.
int RomanValue(std::u32string_view text);

// The value of a Chinese numeral from 1 to 99 ("三", "十二", "二十"), or 0 when it is not one.
int ChineseNumeralValue(std::u32string_view text);

}  // namespace reconstruct
