#include "platform/Text.h"
#include "platform/Utf8Append.h"

#include <gtest/gtest.h>

#include <limits>

namespace platform {
namespace {

constexpr std::int32_t kMax = std::numeric_limits<std::int32_t>::max();
constexpr std::int32_t kMin = std::numeric_limits<std::int32_t>::min();

TEST(TextUtf8Test, DecodesEveryEncodingLengthAtItsBoundaries) {
    const std::u16string expected = u"\u007F\u0080\u07FF\u0800\uFFFF\U00010000\U0010FFFF";
    const std::string utf8 =
        "\x7F\xC2\x80\xDF\xBF\xE0\xA0\x80\xEF\xBF\xBF\xF0\x90\x80\x80\xF4\x8F\xBF\xBF";
    EXPECT_EQ(Utf8ToUtf16(utf8), expected);
    EXPECT_EQ(Utf16ToUtf8(expected), utf8);
    EXPECT_TRUE(IsValidUtf8(utf8));
}

TEST(TextUtf8Test, EachBadByteBecomesOneReplacementCharacter) {
    struct Case {
        const char* what;
        std::string input;
        std::u16string expected;
    };
    const Case cases[] = {
        {"overlong 2-byte slash", "\xC0\xAF", u"\uFFFD\uFFFD"},
        {"overlong 3-byte", "\xE0\x80\xAF", u"\uFFFD\uFFFD\uFFFD"},
        {"overlong 4-byte", "\xF0\x8F\xBF\xBF", u"\uFFFD\uFFFD\uFFFD\uFFFD"},
        {"encoded surrogate", "\xED\xA0\x80", u"\uFFFD\uFFFD\uFFFD"},
        {"above U+10FFFF", "\xF4\x90\x80\x80", u"\uFFFD\uFFFD\uFFFD\uFFFD"},
        {"lone continuation", "a\x80z", u"a\uFFFDz"},
        {"invalid lead", "\xFF\xF8", u"\uFFFD\uFFFD"},
        {"truncated then ASCII",
         "\xE4\xB8"
         "A",
         u"\uFFFD\uFFFDA"},
        {"truncated at end", "\xE4\xB8", u"\uFFFD\uFFFD"},
        {"resynchronises on a lead", "\xE4\xE4\xB8\xAD", u"\uFFFD\u4E2D"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(Utf8ToUtf16(c.input), c.expected) << c.what;
        EXPECT_FALSE(IsValidUtf8(c.input)) << c.what;
        EXPECT_EQ(CountChars(c.input), c.expected.size()) << c.what;
    }
}

TEST(TextUtf8Test, UnpairedSurrogatesInUtf16BecomeReplacement) {
    EXPECT_EQ(Utf16ToUtf8(u"\xD83D"
                          "a"),
              "\xEF\xBF\xBD"
              "a");
    EXPECT_EQ(Utf16ToUtf8(u"a\xDE00"), "a\xEF\xBF\xBD");
    EXPECT_EQ(Utf16ToUtf8(std::u16string{0xDE00, 0xD83D}), "\xEF\xBF\xBD\xEF\xBF\xBD");
    EXPECT_EQ(Utf16ToUtf8(std::u16string{0xD83D}), "\xEF\xBF\xBD");
    EXPECT_EQ(Utf16ToUtf8(u"\U0001F600"), "\xF0\x9F\x98\x80");
}

TEST(TextUtf8Test, CountsAndTruncatesByCharacter) {
    const std::string text = "a\xE6\x97\xA5\xF0\x9F\x98\x80z";  // a, 日, 😀, z
    EXPECT_EQ(CountChars(text), 4u);
    EXPECT_EQ(TruncateChars(text, 0), "");
    EXPECT_EQ(TruncateChars(text, 2), "a\xE6\x97\xA5");
    EXPECT_EQ(TruncateChars(text, 3), "a\xE6\x97\xA5\xF0\x9F\x98\x80");
    EXPECT_EQ(TruncateChars(text, 99), text);
    EXPECT_EQ(TruncateChars("\xE6\x97x", 2), "\xE6\x97");
    EXPECT_EQ(CountChars(""), 0u);
}

TEST(TextCaseTest, FoldsOnlyAscii) {
    EXPECT_EQ(AsciiToLower("MiXeD 123 \xC3\x89"), "mixed 123 \xC3\x89");
    EXPECT_EQ(AsciiToUpper("MiXeD @[`{ \xC3\xA9"), "MIXED @[`{ \xC3\xA9");
    EXPECT_EQ(AsciiToLower('Z'), 'z');
    EXPECT_EQ(AsciiToLower('\xC9'), '\xC9');
    EXPECT_TRUE(EqualsIgnoreAsciiCase("Report.DOCX", "report.docx"));
    EXPECT_FALSE(EqualsIgnoreAsciiCase("report.doc", "report.docx"));
    EXPECT_FALSE(EqualsIgnoreAsciiCase("\xC3\x89", "\xC3\xA9"));
    EXPECT_TRUE(StartsWithIgnoreAsciiCase("HTTP://x", "http:"));
    EXPECT_FALSE(StartsWithIgnoreAsciiCase("ht", "http"));
    EXPECT_TRUE(EndsWithIgnoreAsciiCase("a.PDF", ".pdf"));
    EXPECT_FALSE(EndsWithIgnoreAsciiCase("pdf", ".pdf"));
    EXPECT_TRUE(EndsWithIgnoreAsciiCase("x", ""));
}

TEST(TextParseTest, WtoiReadsSignedDecimalAfterWhiteSpace) {
    EXPECT_EQ(ParseIntLikeWtoi(" \t\n\v\f\r42abc"), 42);
    EXPECT_EQ(ParseIntLikeWtoi("-5"), -5);
    EXPECT_EQ(ParseIntLikeWtoi("+7"), 7);
    EXPECT_EQ(ParseIntLikeWtoi("0x10"), 0);
    EXPECT_EQ(ParseIntLikeWtoi("- 5"), 0);
    EXPECT_EQ(ParseIntLikeWtoi("abc"), 0);
    EXPECT_EQ(ParseIntLikeWtoi(""), 0);
    EXPECT_EQ(ParseIntLikeWtoi("2147483647"), kMax);
    EXPECT_EQ(ParseIntLikeWtoi("2147483648"), kMax);
    EXPECT_EQ(ParseIntLikeWtoi("-2147483648"), kMin);
    EXPECT_EQ(ParseIntLikeWtoi("-2147483649"), kMin);
    EXPECT_EQ(ParseIntLikeWtoi("99999999999999999999999"), kMax);
}

TEST(TextParseTest, WcstolReportsValueAndConsumedBytes) {
    struct Case {
        std::string_view text;
        int base;
        std::int32_t value;
        std::size_t consumed;
    };
    const Case cases[] = {
        {"0x1A", 0, 26, 4},
        {"0X1a", 16, 26, 4},
        {"1a", 16, 26, 2},
        {"017", 0, 15, 3},
        {"09", 0, 0, 1},
        {"0x", 0, 0, 1},
        {"0xg", 16, 0, 1},
        {"  -0x10!", 16, -16, 7},
        {"Zz", 36, 1295, 2},
        {"12", 2, 1, 1},
        {"777", 8, 511, 3},
        {"1e5", 10, 1, 1},
        {"-5", 10, -5, 2},
        {"+", 10, 0, 0},
        {"   ", 0, 0, 0},
        {"", 10, 0, 0},
        {"12", 1, 0, 0},
        {"12", 37, 0, 0},
        {"12", -1, 0, 0},
        {"ffffffffff", 16, kMax, 10},
        {"-80000000", 16, kMin, 9},
        {"-80000001", 16, kMin, 9},
        {"7fffffff", 16, kMax, 8},
    };
    for (const Case& c : cases) {
        std::size_t consumed = 99;
        EXPECT_EQ(ParseLongLikeWcstol(c.text, c.base, &consumed), c.value)
            << c.text << " base " << c.base;
        EXPECT_EQ(consumed, c.consumed) << c.text << " base " << c.base;
    }
    EXPECT_EQ(ParseLongLikeWcstol("42", 10), 42);
}

}  // namespace

TEST(Utf8AppendTest, EveryRangeAndReplacementForInvalid) {
    std::string out;
    for (char32_t code : {U'A', U'é', U'中', U'😀', char32_t{0xD800}, char32_t{0x110000}})
        platform::AppendUtf8(code, &out);
    EXPECT_EQ(out, "Aé中😀\xEF\xBF\xBD\xEF\xBF\xBD");
}

}  // namespace platform
