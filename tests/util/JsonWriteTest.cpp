#include <gtest/gtest.h>

#include <climits>
#include <memory>
#include <string>

#include "util/Json.h"

namespace BkJsonEx {
namespace {

std::string Written(std::string_view json, bool pretty) {
    Document doc;
    EXPECT_TRUE(doc.Parse(json)) << json;
    std::string text;
    EXPECT_TRUE(doc.Write(text, pretty)) << json;
    return text;
}

std::string Written(const Value& value, bool pretty) {
    std::string text;
    EXPECT_TRUE(value.Write(text, pretty));
    return text;
}

TEST(JsonWriteTest, CompactFormHasOnlyTheTokensAndMembersInKeyOrder) {
    EXPECT_EQ(
        Written(R"( { "b" : [ 1 , -2 ] , "a" : { } , "c" : "x", "d":[true,false,null] } )", false),
        R"({"a":{},"b":[1,-2],"c":"x","d":[true,false,null]})");
}

TEST(JsonWriteTest, PrettyFormIndentsObjectsAndMultiElementArrays) {
    const std::string expected =
        "{\r\n"
        "    \"a\" : {\r\n"
        "    },\r\n"
        "    \"b\" : [\r\n"
        "        1, \r\n"
        "        2\r\n"
        "    ],\r\n"
        "    \"c\" : \"x\"\r\n"
        "}";
    EXPECT_EQ(Written(R"({"b":[1,2],"a":{},"c":"x"})", true), expected);
}

TEST(JsonWriteTest, PrettyArrayGoesInlineOnlyForOneScalarOrNone) {
    const std::pair<const char*, const char*> cases[] = {
        {"[]", "[]"},
        {"[5]", "[5]"},
        {R"(["s"])", R"(["s"])"},
        {"[[]]", "[\r\n    []\r\n]"},
        {"[{}]", "[\r\n    {\r\n    }\r\n]"},
        {"[[1],2]", "[\r\n    [1], \r\n    2\r\n]"},
        {R"({"k":[[7]]})", "{\r\n    \"k\" : [\r\n        [7]\r\n    ]\r\n}"},
    };
    for (const auto& [json, expected] : cases) {
        EXPECT_EQ(Written(json, true), expected) << json;
    }
}

TEST(JsonWriteTest, EscapesControlsLatin1AndSlashButNotWiderCharacters) {
    const std::pair<std::string, std::string> cases[] = {
        {"\xC3\xA9", R"("\u00e9")"},
        {"\xE4\xB8\xAD", "\"\xE4\xB8\xAD\""},
        {"a/b", R"("a\/b")"},
        {"\"\\", R"("\"\\")"},
        {"\b\t\n\f\r", R"("\b\t\n\f\r")"},
        {"\x01\x1F", R"("\u0001\u001f")"},
        {"\x7F\xC2\x80\xC3\xBF", R"("\u007f\u0080\u00ff")"},
        {"\xC4\x80", "\"\xC4\x80\""},
        {"\xF0\x9F\x98\x80", "\"\xF0\x9F\x98\x80\""},
        {"plain ~", R"("plain ~")"},
    };
    for (const auto& [text, expected] : cases) {
        EXPECT_EQ(Written(ValueString(text), false), expected) << expected;
    }
}

TEST(JsonWriteTest, StringsAreCleanedOfInvalidUtf8AndNul) {
    EXPECT_EQ(ValueString(std::string("a\xFF\0b", 4)).text(),
              "a\xEF\xBF\xBD\xEF\xBF\xBD"
              "b");
    EXPECT_EQ(ValueString("\xE4\xB8").text(), "\xEF\xBF\xBD\xEF\xBF\xBD");
}

TEST(JsonWriteTest, WritesNumbersWithTheirSigns) {
    EXPECT_EQ(Written(ValueLong(INT_MIN), false), "-2147483648");
    EXPECT_EQ(Written(ValueLong(17), false), "17");
    EXPECT_EQ(Written(ValueLongLong(LLONG_MIN), false), "-9223372036854775808");
    EXPECT_EQ(Written(ValueLongLong(LLONG_MAX), true), "9223372036854775807");
}

TEST(JsonWriteTest, IndentAndStepAreHonouredAndBounded) {
    Document doc;
    ASSERT_TRUE(doc.Parse("[1,[2,3]]"));
    std::string text;
    doc.Root()->Write(text, true, 2, 3);
    EXPECT_EQ(text, "[\r\n     1, \r\n     [\r\n        2, \r\n        3\r\n     ]\r\n  ]");

    text.clear();
    doc.Root()->Write(text, true, -7, INT_MAX);
    // Every line is indented by at most kMaxIndent spaces, whatever the caller passed.
    EXPECT_LT(text.size(), 8u * (kMaxIndent + 8));
    EXPECT_EQ(text.back(), ']');
    EXPECT_EQ(text.substr(text.size() - 3), "\r\n]");
}

TEST(JsonRoundTripTest, WrittenTextParsesBackToTheSameTree) {
    const char* const texts[] = {
        "true",
        "-9223372036854775808",
        R"("esc \" \\ \/ \b \f \n \r \t \u0001 \u00e9 \u4e2d \ud83d\ude00")",
        "[]",
        "{}",
        "[null,[[]],{}]",
        R"({"":"","a":{"b":{"c":[1,2,{"d":false}]}},"\u00e9\n":-1})",
        R"([{"x":[{"y":[]}]},"\u007f",0,-0,12345678901234])",
    };
    for (const char* json : texts) {
        Document original;
        ASSERT_TRUE(original.Parse(json)) << json;
        for (const bool pretty : {false, true}) {
            std::string text;
            ASSERT_TRUE(original.Write(text, pretty)) << json;
            Document reread;
            ASSERT_TRUE(reread.Parse(text)) << text;
            EXPECT_TRUE(reread.Root()->Equals(*original.Root())) << text;
        }
    }
}

TEST(JsonRoundTripTest, BuiltTreeWithALongReadsBackAsEqual) {
    Document built;
    built.SetRoot(std::make_unique<ValueObject>());
    built["n"].Replace(std::make_unique<ValueLong>(-5));
    built["list"][2].Replace(std::make_unique<ValueString>("t\xC3\xA9xt"));
    built["list"][0]["inner"].Replace(std::make_unique<ValueBool>(true));
    for (const bool pretty : {false, true}) {
        std::string text;
        ASSERT_TRUE(built.Write(text, pretty));
        Document reread;
        ASSERT_TRUE(reread.Parse(text)) << text;
        EXPECT_TRUE(reread.Root()->Equals(*built.Root())) << text;
        EXPECT_EQ(reread.Find("n").GetInt64(), -5);
    }
}

TEST(JsonEqualsTest, DistinguishesWhatTheTextDistinguishes) {
    const std::pair<const char*, const char*> different[] = {
        {"[1]", "[2]"},        {"[1]", "[1,1]"},      {R"({"a":1})", R"({"b":1})"},
        {R"({"a":1})", "[1]"}, {"[true]", "[false]"}, {R"(["a"])", R"(["b"])"},
        {"[null]", "[false]"}, {"[[]]", "[{}]"},      {R"({"a":1})", R"({"a":1,"b":1})"},
    };
    for (const auto& [left, right] : different) {
        Document a;
        Document b;
        ASSERT_TRUE(a.Parse(left));
        ASSERT_TRUE(b.Parse(right));
        EXPECT_FALSE(a.Root()->Equals(*b.Root())) << left << " vs " << right;
        EXPECT_FALSE(b.Root()->Equals(*a.Root())) << right << " vs " << left;
    }
    EXPECT_TRUE(ValueLong(-1).Equals(ValueLongLong(-1)));
    EXPECT_FALSE(ValueLong(-1).Equals(ValueLongLong(0xFFFFFFFF)));
}

}  // namespace
}  // namespace BkJsonEx
