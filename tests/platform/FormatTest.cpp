#include "platform/Format.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <limits>
#include <vector>

namespace platform {
namespace {

// Whether a literal format is accepted for the given argument types: the consteval check
// either produces a constant or fails, and a requires-expression observes which.
template <std::size_t N>
struct Literal {
    char text[N];
    consteval Literal(const char (&s)[N]) { std::copy_n(s, N, text); }  // NOLINT
};

template <Literal kFormat, typename... Args>
concept Compiles = requires {
    typename std::integral_constant<bool, (FormatString<Args...>(kFormat.text), true)>;
};

enum class Level : std::uint8_t { kWarn = 200 };
enum Signed : int { kNegative = -3 };

static_assert(Compiles<"%d %s %ws %f %p %c %c %%", int, std::string, std::u16string, double, void*,
                       char, char32_t>);
static_assert(Compiles<"%*.*d %lld %I64u %d %u", int, long, short, long long, unsigned long long,
                       bool, Level>);
static_assert(Compiles<"%s %s %S", const char*, char[4], std::string_view>);
static_assert(!Compiles<"%s", int>);
static_assert(!Compiles<"%d", std::string>);
static_assert(!Compiles<"%d", double>);
static_assert(!Compiles<"%f", int>);
static_assert(!Compiles<"%c", const char*>);
static_assert(!Compiles<"%p", const char*>);
static_assert(!Compiles<"%d">);
static_assert(!Compiles<"%d", int, int>);
static_assert(!Compiles<"%*d", std::string, int>);
static_assert(!Compiles<"%", int>);
static_assert(!Compiles<"%n", int*>);
static_assert(!Compiles<"%d", std::vector<int>>);
static_assert(!std::is_constructible_v<FormatArg, std::vector<int>>);

std::string Runtime(std::string_view fmt, std::vector<FormatArg> args) {
    return FormatRuntime(fmt, args);
}

TEST(FormatIntegerTest, WidthPrecisionAndFlagsFollowC) {
    EXPECT_EQ(Format("%5d|%-5d|%05d|%+d|% d|%+d", 42, 42, 42, 42, 42, -42),
              "   42|42   |00042|+42| 42|-42");
    EXPECT_EQ(Format("%05d|%.3d|%8.3d|%08.3d", -42, 7, -7, 7), "-0042|007|    -007|     007");
    EXPECT_EQ(Format("[%.0d][%5.0d][%#.0o]", 0, 0, 0), "[][     ][0]");
    EXPECT_EQ(Format("%x %X %#x %#X %#o %o %#x", 255, 255, 255, 255, 8, 8, 0),
              "ff FF 0xff 0XFF 010 10 0");
    EXPECT_EQ(Format("%#08x|%-#6x|%+u", 255, 15, 3u), "0x0000ff|0xf   |3");
}

TEST(FormatIntegerTest, ReinterpretsByTheArgumentsOwnWidthLikeC) {
    EXPECT_EQ(Format("%d", 0xFFFFFFFFu), "-1");
    EXPECT_EQ(Format("%u %x", -1, -1), "4294967295 ffffffff");
    EXPECT_EQ(Format("%u", std::int16_t{-1}), "4294967295");
    EXPECT_EQ(Format("%d", std::uint16_t{65535}), "65535");
    EXPECT_EQ(Format("%u", std::int64_t{-1}), "18446744073709551615");
    EXPECT_EQ(Format("%d", std::numeric_limits<std::uint64_t>::max()), "-1");
    EXPECT_EQ(Format("%lld", std::numeric_limits<std::int64_t>::min()), "-9223372036854775808");
    EXPECT_EQ(Format("%d %d %d %u", true, 'A', kNegative, Level::kWarn), "1 65 -3 200");
}

TEST(FormatIntegerTest, LengthModifiersNeverChangeTheSize) {
    EXPECT_EQ(Format("%hd %hhu %ld %lld %zu %jd %td %I64d %I32d %Iu %Lu %wd", 70000, 300, 1, 2,
                     std::size_t{3}, 4, 5, 6, 7, 8u, 9u, 10),
              "70000 300 1 2 3 4 5 6 7 8 9 10");
}

TEST(FormatStringTest, WidthAndPrecisionCountCharacters) {
    EXPECT_EQ(Format("[%s|%6s|%-6s|%.2s]", "abc", "abc", "abc", "abc"), "[abc|   abc|abc   |ab]");
    const std::string japanese = "\xE6\x97\xA5\xE6\x9C\xAC\xE8\xAA\x9E";  // 日本語
    EXPECT_EQ(Format("%.2s", japanese), "\xE6\x97\xA5\xE6\x9C\xAC");
    EXPECT_EQ(Format("[%5s]", japanese), "[  " + japanese + "]");
    EXPECT_EQ(Format("%.1s", std::string("\xE6\x97x")), "\xE6");
}

TEST(FormatStringTest, AcceptsEveryStringForm) {
    const std::string_view cut("abcdef", 3);
    const char buffer[8] = "ab";
    const char* null_text = nullptr;
    EXPECT_EQ(Format("%s %s %s %s", cut, buffer, null_text, std::string("x")), "abc ab (null) x");
    const std::u16string path = u"C:\\\u6587\u6863\\\u62A5\u544A.docx";  // 文档\报告
    const std::string path_utf8 = "C:\\\xE6\x96\x87\xE6\xA1\xA3\\\xE6\x8A\xA5\xE5\x91\x8A.docx";
    EXPECT_EQ(Format("src:%ws", path), "src:" + path_utf8);
    EXPECT_EQ(Format("%S|%ls|%.5ws", path, path.c_str(), path),
              path_utf8 + "|" + path_utf8 + "|C:\\\xE6\x96\x87\xE6\xA1\xA3");
    EXPECT_EQ(Format("%ws", std::u16string{u'a', 0xD800}), "a\xEF\xBF\xBD");
}

TEST(FormatStringTest, StarTakesWidthAndPrecisionFromArguments) {
    EXPECT_EQ(Format("[%*d][%*d][%-*d]", 5, 42, -5, 42, -5, 42), "[   42][42   ][42   ]");
    EXPECT_EQ(Format("[%.*s][%.*s][%*.*f]", 2, "abcdef", -1, "abc", 8, 2, 3.14159),
              "[ab][abc][    3.14]");
    EXPECT_EQ(Format("%.*s", std::size_t{3}, "abcdef"), "abc");
}

TEST(FormatStringTest, HugeWidthsAreCapped) {
    EXPECT_EQ(Runtime("%999999999999d", {1}).size(), 4096u);
    EXPECT_EQ(Runtime("%*s", {std::numeric_limits<int>::min(), "x"}).size(), 4096u);
    EXPECT_LE(Runtime("%.999999999f", {1.0}).size(), 4096u + 2);
}

TEST(FormatCharTest, CharIsAByteAndIntegersAreCodePoints) {
    EXPECT_EQ(Format("%c%c|%3c|%-3c|", 'o', 'k', 'x', 'y'), "ok|  x|y  |");
    EXPECT_EQ(Format("%c", '\xE9'), "\xE9");
    EXPECT_EQ(Format("%c %c %c", 0x4E2D, u'\u00E9', U'\U0001F600'),
              "\xE4\xB8\xAD \xC3\xA9 \xF0\x9F\x98\x80");
    EXPECT_EQ(Format("%c%c%c", 0xD800, 0x110000, -1), "\xEF\xBF\xBD\xEF\xBF\xBD\xEF\xBF\xBD");
    EXPECT_EQ(Format("[%3c]", 0x4E2D), "[  \xE4\xB8\xAD]");
}

TEST(FormatDoubleTest, MatchesCPrintf) {
    const char* c_formats[] = {"%f",      "%.2f", "%10.3e", "%-12g|", "%+G",  "%#.0f",
                               "%012.4f", "% e",  "%F",     "%E",     "%.0e", "%g"};
    constexpr double kInf = std::numeric_limits<double>::infinity();
    constexpr double kNan = std::numeric_limits<double>::quiet_NaN();
    const double values[] = {0.0, -1.5, 1e300, 1234.5678, -0.000123, 1e-10, 2.5e15, kInf, kNan};
    for (const char* c_format : c_formats) {
        for (const double value : values) {
            char expected[512];
            std::snprintf(expected, sizeof expected, c_format, value);
            EXPECT_EQ(Runtime(c_format, {value}), expected) << c_format << " of " << value;
        }
    }
    EXPECT_EQ(Format("%.3f", 0.5f), "0.500");
}

TEST(FormatMiscTest, PointersAndPercent) {
    EXPECT_EQ(Format("%p|%p|%8p|%-8p|", nullptr, reinterpret_cast<void*>(0x1234),
                     reinterpret_cast<const int*>(0xab), reinterpret_cast<void*>(0xab)),
              "0x0|0x1234|    0xab|0xab    |");
    EXPECT_EQ(Format("100%% of %d%%", 5), "100% of 5%");
    EXPECT_EQ(Format("no directives"), "no directives");
}

TEST(FormatRuntimeTest, MismatchesRenderMarkersAndKeepArgumentsAligned) {
    EXPECT_EQ(Runtime("%d|%s|%f|%p|%d", {"x", 1, 2, "y", 2.5}),
              "%!d(string)|%!s(int)|%!f(int)|%!p(string)|%!d(double)");
    EXPECT_EQ(Runtime("%d %s", {"x", "y"}), "%!d(string) y");
    EXPECT_EQ(Runtime("%c %u", {1.0, 7u}), "%!c(double) 7");
}

TEST(FormatRuntimeTest, MissingAndExtraArguments) {
    EXPECT_EQ(Runtime("%d and %s", {1}), "1 and %!s(missing)");
    EXPECT_EQ(Runtime("x", {1, "a", 2.5, 'c', 3u}),
              "x%!(extra int=1, string=a, double=2.5, char=c, uint=3)");
    EXPECT_EQ(Runtime("%*d", {"x", 5}), "%!*(string)5");
    EXPECT_EQ(Runtime("%*d", {}), "%!*(missing)%!d(missing)");
}

TEST(FormatRuntimeTest, BrokenDirectivesAreVisibleAndConsumeNothing) {
    EXPECT_EQ(Runtime("50%", {}), "50%!(incomplete)");
    EXPECT_EQ(Runtime("%-5", {}), "%!(incomplete)");
    EXPECT_EQ(Runtime("%y%d", {5}), "%!y(unknown)5");
    EXPECT_EQ(Runtime("%n%d", {5}), "%!n(unknown)5");
    EXPECT_EQ(Runtime("%5%", {}), "%!%(unknown)");
    EXPECT_EQ(Runtime("%\xC3\xA9", {}), "%!(unknown)\xC3\xA9");
    EXPECT_EQ(Runtime("%1$d", {5}), "%!$(unknown)d%!(extra int=5)");
}

}  // namespace
}  // namespace platform
