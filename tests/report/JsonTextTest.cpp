#include <gtest/gtest.h>

#include <string>

#include "platform/Text.h"
#include "report/JsonText.h"

namespace report {
namespace {

TEST(JsonTextTest, EscapesWhatJsonAndSingleLinesNeed) {
    struct Case {
        std::string input;
        std::string expected;
    };
    const Case kCases[] = {
        {"", R"("")"},
        {"plain", R"("plain")"},
        {"say \"hi\"", R"("say \"hi\"")"},
        {"C:\\dir\\a.pdf", R"("C:\\dir\\a.pdf")"},
        {"a/b", R"("a/b")"},
        {"line1\nline2\r\n", R"("line1\nline2\r\n")"},
        {"\t\b\f", R"("\t\b\f")"},
        {std::string("nul\0x", 5), R"("nul\u0000x")"},
        {"\x01\x1f\x7f", R"("\u0001\u001f\u007f")"},
        {"\xE6\x96\x87\xE6\xA1\xA3", "\"\xE6\x96\x87\xE6\xA1\xA3\""},  // 文档 kept as UTF-8
        {"\xF0\x9F\x98\x80", "\"\xF0\x9F\x98\x80\""},                  // outside 16 bits
        {"a\xE2\x80\xA8"
         "b\xE2\x80\xA9",
         R"("a\u2028b\u2029")"},
    };
    for (const Case& c : kCases)
        EXPECT_EQ(JsonString(c.input), c.expected) << c.input;
}

TEST(JsonTextTest, InvalidBytesBecomeReplacementCharacters) {
    const std::string kReplacement = "\xEF\xBF\xBD";
    struct Case {
        std::string input;
        std::string expected;
    };
    const Case kCases[] = {
        {"a\xFF"
         "b",
         "\"a" + kReplacement + "b\""},
        {"\xC3", "\"" + kReplacement + "\""},                                        // cut sequence
        {"\xC0\xAF", "\"" + kReplacement + kReplacement + "\""},                     // overlong '/'
        {"\xED\xA0\x80", "\"" + kReplacement + kReplacement + kReplacement + "\""},  // surrogate
        {"\"\xFE\n", "\"\\\"" + kReplacement + "\\n\""},  // escaping still applies
    };
    for (const Case& c : kCases) {
        const std::string out = JsonString(c.input);
        EXPECT_EQ(out, c.expected);
        EXPECT_TRUE(platform::IsValidUtf8(out));
    }
}

}  // namespace
}  // namespace report
