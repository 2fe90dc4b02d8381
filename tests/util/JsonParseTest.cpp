#include <gtest/gtest.h>

#include <cstdint>
#include <limits>
#include <string>

#include "util/Json.h"

namespace BkJsonEx {
namespace {

struct ErrorCase {
    const char* what;
    std::string text;
    int code;
    int line;
    int column;
};

void ExpectError(const ErrorCase& c) {
    Document doc;
    EXPECT_FALSE(doc.Parse(c.text)) << c.what;
    EXPECT_EQ(doc.GetError().code, c.code) << c.what;
    EXPECT_EQ(doc.GetError().line, c.line) << c.what;
    EXPECT_EQ(doc.GetError().column, c.column) << c.what;
    EXPECT_EQ(doc.Root(), nullptr) << c.what;
}

std::string Nested(std::size_t depth) {
    return "{\"a\":" + std::string(depth, '[') + std::string(depth, ']') + "}";
}

TEST(JsonParseErrorTest, ReportsTheCodeWhereTheTextGoesWrong) {
    const ErrorCase cases[] = {
        {"nothing fits, last attempt is the object", "-", kObjectExpected, 1, 1},
        {"empty text", "", kObjectExpected, 1, 1},
        {"root scalars are read without white space", " 5", kObjectExpected, 1, 2},
        {"root null", "null", kObjectExpected, 1, 1},
        {"missing colon", R"({"a" 1})", kColonExpected, 1, 6},
        {"missing comma between members", R"({"a":1 "b":2})", kSeparatorExpected, 1, 8},
        {"fraction inside an array", R"({"a":[1.5]})", kSeparatorExpected, 1, 8},
        {"array elements without comma", R"({"a":[1 2]})", kSeparatorExpected, 1, 9},
        {"unknown value", R"({"a":x})", kValueExpected, 1, 6},
        {"value position is after white space", R"({"a":  x})", kValueExpected, 1, 8},
        {"broken bool", R"({"a":tru})", kValueExpected, 1, 6},
        {"minus without digits", R"({"a":-})", kValueExpected, 1, 6},
        {"trailing comma in array", R"({"a":[1,]})", kValueExpected, 1, 9},
        {"minus last in the text", R"({"a":-)", kMinusAtEnd, 1, 6},
        {"key not a string", R"({1:2})", kQuoteExpected, 1, 2},
        {"trailing comma in object", R"({"a":1,})", kQuoteExpected, 1, 8},
        {"text ends in a string", R"({"a":"b)", kStringNotClosed, 1, 8},
        {"text ends in an escape", R"({"a":"\u12)", kStringNotClosed, 1, 11},
        {"unknown escape", R"({"a":"\q"})", kBadEscape, 1, 8},
        {"non-hex digit", R"({"a":"\u00g0"})", kBadEscape, 1, 8},
        {"escaped NUL", R"({"a":"\u0000"})", kBadEscape, 1, 8},
        {"lone low surrogate", R"({"a":"\udc00"})", kBadEscape, 1, 8},
        {"high surrogate without partner", R"({"a":"\ud800x"})", kBadEscape, 1, 8},
        {"high surrogate before a non-surrogate", R"({"a":"\ud800\u0041"})", kBadEscape, 1, 8},
        {"invalid UTF-8 in a string", "{\"a\":\"x\xFF\"}", kBadCharacter, 1, 8},
        {"encoded surrogate in a string", "{\"a\":\"\xED\xA0\x80\"}", kBadCharacter, 1, 7},
        {"NUL byte in a string", std::string("{\"a\":\"x\0\"}", 10), kBadCharacter, 1, 8},
        {"line feeds count lines", "{\n  \"a\" 1}", kColonExpected, 2, 7},
        {"CR LF lines", "{\r\n\"a\":\r\n  [1,\r\n  x]}", kValueExpected, 4, 3},
        {"columns count characters, not bytes", "{\"\xC3\xA9\" 1}", kColonExpected, 1, 6},
        {"an error inside a root array is masked by the object attempt", "[1,]", kObjectExpected, 1,
         1},
        {"one level too deep", Nested(kMaxDepth), kTooDeep, 1, static_cast<int>(5 + kMaxDepth)},
    };
    for (const ErrorCase& c : cases) {
        ExpectError(c);
    }
}

TEST(JsonParseErrorTest, RefusesOversizedTextAtTheStart) {
    ExpectError({"too large", std::string(kMaxTextBytes + 1, ' '), kTextTooLarge, 1, 1});
}

TEST(JsonParseErrorTest, FailureDropsThePreviousRootAndSuccessClearsTheError) {
    Document doc;
    ASSERT_TRUE(doc.Parse("[1]"));
    EXPECT_FALSE(doc.Parse("{"));
    EXPECT_TRUE(doc.IsEmpty());
    std::string text;
    EXPECT_FALSE(doc.Write(text, false));
    EXPECT_TRUE(text.empty());
    ASSERT_TRUE(doc.Parse("{}"));
    EXPECT_EQ(doc.GetError().code, kNoError);
    EXPECT_EQ(doc.GetError().line, -1);
    EXPECT_EQ(doc.GetError().column, -1);
}

TEST(JsonParseTest, TakesTheFirstRootKindThatParses) {
    struct Case {
        const char* text;
        Kind kind;
        std::int64_t number;
    };
    const Case cases[] = {
        {"true", Kind::kBool, 0},
        {"falsely", Kind::kBool, 0},  // what follows the root is not examined
        {"42", Kind::kLongLong, 42},
        {"-0", Kind::kLongLong, 0},
        {"1.5", Kind::kLongLong, 1},
        {"3000000000", Kind::kLongLong, 3000000000},
        {" \"s\"", Kind::kString, 0},
        {"\t[ ]", Kind::kArray, 0},
        {"[null]", Kind::kArray, 0},
        {"{\r\n}", Kind::kObject, 0},
        {"{} trailing", Kind::kObject, 0},
    };
    for (const Case& c : cases) {
        Document doc;
        ASSERT_TRUE(doc.Parse(c.text)) << c.text;
        EXPECT_EQ(doc.Root()->kind(), c.kind) << c.text;
        EXPECT_EQ(doc.GetInt64(), c.number) << c.text;
    }
}

TEST(JsonParseTest, NumbersWrapWithoutUndefinedBehaviour) {
    constexpr std::int64_t kMin = std::numeric_limits<std::int64_t>::min();
    constexpr std::int64_t kMax = std::numeric_limits<std::int64_t>::max();
    const std::pair<const char*, std::int64_t> cases[] = {
        {"9223372036854775807", kMax}, {"-9223372036854775808", kMin},
        {"9223372036854775808", kMin}, {"18446744073709551617", 1},
        {"-18446744073709551615", 1},
    };
    for (const auto& [text, expected] : cases) {
        Document doc;
        ASSERT_TRUE(doc.Parse(text)) << text;
        EXPECT_EQ(doc.GetInt64(), expected) << text;
    }
}

TEST(JsonParseTest, DecodesEscapesToUtf8) {
    const std::pair<const char*, std::string> cases[] = {
        {R"("\"\\\/\b\f\n\r\t")", "\"\\/\b\f\n\r\t"},
        {R"("\u00e9\u00E9")", "\xC3\xA9\xC3\xA9"},
        {R"("\u0041\u007f\u0080")", "A\x7F\xC2\x80"},
        {R"("\u4e2d")", "\xE4\xB8\xAD"},
        {R"("\ud83d\ude00")", "\xF0\x9F\x98\x80"},
        {R"("\uDBFF\uDFFF")", "\xF4\x8F\xBF\xBF"},
        {"\"raw \xE4\xB8\xAD \xF0\x9F\x98\x80\ttab\"", "raw \xE4\xB8\xAD \xF0\x9F\x98\x80\ttab"},
    };
    for (const auto& [text, expected] : cases) {
        Document doc;
        ASSERT_TRUE(doc.Parse(text)) << text;
        ASSERT_NE(doc.GetString(), nullptr) << text;
        EXPECT_EQ(*doc.GetString(), expected) << text;
    }
}

TEST(JsonParseTest, ReadsNestedKindsAndKeepsTheLaterOfTwoEqualKeys) {
    Document doc;
    ASSERT_TRUE(doc.Parse(
        R"( { "a" : [ true , null , -3 , "x" , { } , [ ] ] , "a" : 7 , "b":{"c":[9]} })"));
    EXPECT_EQ(doc.AsConst().Size(), 2u);
    EXPECT_EQ(doc.Find("a").GetInt64(), 7);
    EXPECT_EQ(doc.Find("b").Find("c").Find(0).GetInt64(), 9);

    ASSERT_TRUE(doc.Parse(R"({"a":[true,null,-3,"x",{},[]]})"));
    const ConstHandle array = doc.Find("a");
    ASSERT_EQ(array.Size(), 6u);
    const Kind kinds[] = {Kind::kBool,   Kind::kNull,   Kind::kLongLong,
                          Kind::kString, Kind::kObject, Kind::kArray};
    for (std::int64_t i = 0; i < 6; ++i) {
        EXPECT_EQ(array.Find(i).GetValue()->kind(), kinds[i]) << i;
    }
    EXPECT_EQ(array.Find(2).GetInt64(), -3);
}

TEST(JsonParseTest, AcceptsTheDeepestAllowedNesting) {
    Document doc;
    EXPECT_TRUE(doc.Parse(Nested(kMaxDepth - 1)));
    EXPECT_EQ(doc.Root()->Height(), kMaxDepth);
}

}  // namespace
}  // namespace BkJsonEx
