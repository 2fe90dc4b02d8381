#include "reconstruct/ListMarkers.h"

#include <gtest/gtest.h>

#include "reconstruct/Numerals.h"

namespace reconstruct {
namespace {

std::vector<RawChar> Chars(std::u32string_view text) {
    std::vector<RawChar> chars;
    for (char32_t code : text)
        chars.push_back({code, {}, 0});
    return chars;
}

TEST(ListMarkersTest, MarkersOfEachKindWithTheirNumbers) {
    struct Case {
        std::u32string line;
        ListKind kind;
        std::string marker;
        int number;
        int depth;
        std::size_t length;
    };
    const Case cases[] = {
        {U"• item", ListKind::kBullet, "•", 0, 0, 2},
        {U"  ●item", ListKind::kBullet, "●", 0, 0, 3},
        {U"\uF0B7 symbol font", ListKind::kBullet, "\uF0B7", 0, 0, 2},
        {U"- dash item", ListKind::kBullet, "-", 0, 0, 2},
        {U"– en dash", ListKind::kBullet, "–", 0, 0, 2},
        {U"12. twelfth", ListKind::kDecimal, "12.", 12, 0, 4},
        {U"3) third", ListKind::kDecimal, "3)", 3, 0, 3},
        {U"(4) fourth", ListKind::kDecimal, "(4)", 4, 0, 4},
        {U"1.2 Scope", ListKind::kDecimal, "1.2", 2, 1, 4},
        {U"2.3.1. Detail", ListKind::kDecimal, "2.3.1.", 1, 2, 7},
        {U"b. second", ListKind::kLowerLetter, "b.", 2, 0, 3},
        {U"(C) third", ListKind::kUpperLetter, "(C)", 3, 0, 4},
        {U"iv. fourth", ListKind::kLowerRoman, "iv.", 4, 0, 4},
        {U"i) first", ListKind::kLowerRoman, "i)", 1, 0, 3},
        {U"XII. twelfth", ListKind::kUpperRoman, "XII.", 12, 0, 5},
        {U"三、总则", ListKind::kChinese, "三、", 3, 0, 2},
        {U"（十二）附则", ListKind::kChinese, "（十二）", 12, 0, 4},
        {U"2、第二项", ListKind::kDecimal, "2、", 2, 0, 2},
        {U"③第三", ListKind::kDecimal, "③", 3, 0, 1},
        {U"⑵ second", ListKind::kDecimal, "⑵", 2, 0, 2},
    };
    for (const Case& c : cases) {
        const std::vector<RawChar> chars = Chars(c.line);
        const auto marker = FindListMarker(chars);
        ASSERT_TRUE(marker.has_value()) << c.marker;
        EXPECT_EQ(marker->kind, c.kind) << c.marker;
        EXPECT_EQ(marker->text, c.marker);
        EXPECT_EQ(marker->number, c.number) << c.marker;
        EXPECT_EQ(marker->depth, c.depth) << c.marker;
        EXPECT_EQ(marker->length, c.length) << c.marker;
    }
}

TEST(ListMarkersTest, SentencesThatOnlyLookLikeMarkers) {
    for (std::u32string_view line :
         {U"3.5 million people", U"e.g. this one", U"2019. A year", U"I think so", U"-5 degrees",
          U"1.", U"•", U"a.m. meetings", U"(see below) text", U"Mix well", U"十分重要",
          U"1.5mm thick", U"", U"   "}) {
        const std::vector<RawChar> chars = Chars(line);
        EXPECT_FALSE(FindListMarker(chars).has_value())
            << std::string(line.begin(), line.end()).size();
    }
}

TEST(ListMarkersTest, RomanAndChineseNumeralValues) {
    EXPECT_EQ(RomanValue(U"i"), 1);
    EXPECT_EQ(RomanValue(U"XIV"), 14);
    EXPECT_EQ(RomanValue(U"mcmxcix"), 1999);
    for (std::u32string_view no : {U"iiii", U"vx", U"ic", U"Iv", U"dim", U""})
        EXPECT_EQ(RomanValue(no), 0);
    EXPECT_EQ(ChineseNumeralValue(U"七"), 7);
    EXPECT_EQ(ChineseNumeralValue(U"十"), 10);
    EXPECT_EQ(ChineseNumeralValue(U"十五"), 15);
    EXPECT_EQ(ChineseNumeralValue(U"四十"), 40);
    EXPECT_EQ(ChineseNumeralValue(U"九十九"), 99);
    for (std::u32string_view no : {U"十十", U"分", U"一二", U"十分", U""})
        EXPECT_EQ(ChineseNumeralValue(no), 0);
}

}  // namespace
}  // namespace reconstruct
