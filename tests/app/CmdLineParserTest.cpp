#include "app/CmdLineParser.h"

#include <gtest/gtest.h>

#include <utility>
#include <vector>

namespace {

TEST(CmdLineParserTest, QuotedValuesSpacesAndStrayCharacters) {
    CCmdLineParser parser;
    ASSERT_TRUE(parser.Parse("/type:3 -kpath:\"C:\\my docs\\a b.pdf\"' -From:21"));
    EXPECT_EQ(parser.GetValue("type"), "3");
    EXPECT_EQ(parser.GetValue("kpath"), "C:\\my docs\\a b.pdf");
    // Keys are found whatever their case.
    EXPECT_EQ(parser.GetValue("FROM"), "21");
    EXPECT_FALSE(parser.HasKey("'"));
}

TEST(CmdLineParserTest, SwitchesWithoutValuesAndFirstOccurrenceWins) {
    CCmdLineParser parser;
    ASSERT_TRUE(parser.Parse("-only_feedback -from: /from:5 -a:1 -a:2 -last"));
    EXPECT_EQ(parser.GetValue("only_feedback"), "");
    EXPECT_EQ(parser.GetValue("from"), "");
    EXPECT_EQ(parser.GetValue("a"), "1");
    EXPECT_TRUE(parser.HasKey("last"));
    std::string value = "untouched";
    EXPECT_FALSE(parser.GetValue("missing", &value));
    EXPECT_EQ(value, "untouched");
}

TEST(CmdLineParserTest, NothingToFind) {
    CCmdLineParser parser;
    EXPECT_FALSE(parser.Parse(""));
    EXPECT_FALSE(parser.Parse("plain words only -"));
    // An unterminated quote runs to the end.
    ASSERT_TRUE(parser.Parse("-kpath:\"/a b"));
    EXPECT_EQ(parser.GetValue("kpath"), "/a b");
}

TEST(CmdLineParserTest, RawCommandLineFromArgvReadsBackAsTheSameSwitches) {
    const char* argv[] = {"/opt/quire/quire", "-kpath:/home/me/my file.pdf", "/type:3", "plain",
                          "two words"};
    const std::string line = RawCommandLineFromArgv(5, argv);
    EXPECT_EQ(line, "-kpath:\"/home/me/my file.pdf\" /type:3 plain \"two words\"");
    CCmdLineParser parser;
    ASSERT_TRUE(parser.Parse(line));
    EXPECT_EQ(parser.GetValue("kpath"), "/home/me/my file.pdf");
    EXPECT_EQ(parser.GetValue("type"), "3");
    const char* none[] = {"/opt/quire/quire"};
    EXPECT_EQ(RawCommandLineFromArgv(1, none), "");
}

TEST(CmdLineParserTest, SwitchForms) {
    using Pairs = std::vector<std::pair<std::string, std::string>>;
    const struct {
        const char* line;
        Pairs found;
        std::vector<std::string> absent;
    } cases[] = {
        {"-from:", {{"from", ""}}, {}},
        {"-filepath:\"/a b.pdf\" -from:21 /operatetype:1",
         {{"filepath", "/a b.pdf"}, {"from", "21"}, {"operatetype", "1"}},
         {}},
        // A hyphen inside a bare word starts a key; a slash inside a value does not.
        {"my-file.pdf", {{"file.pdf", ""}}, {"my"}},
        {"-kpath:/home/me/x.pdf", {{"kpath", "/home/me/x.pdf"}}, {"home"}},
        {"-:5 -x - /", {{"x", ""}}, {""}},
        {"-a:x:y -b", {{"a", "x:y"}, {"b", ""}}, {}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.line);
        CCmdLineParser parser;
        EXPECT_EQ(parser.Parse(c.line), !c.found.empty());
        EXPECT_EQ(parser.CommandLine(), c.line);
        for (const auto& [key, value] : c.found) {
            EXPECT_TRUE(parser.HasKey(key)) << key;
            EXPECT_EQ(parser.GetValue(key), value) << key;
        }
        for (const auto& key : c.absent)
            EXPECT_FALSE(parser.HasKey(key)) << key;
    }
}

TEST(CmdLineParserTest, ParseStartsAfresh) {
    CCmdLineParser parser;
    ASSERT_TRUE(parser.Parse("-a:1"));
    EXPECT_FALSE(parser.Parse("nothing here"));
    EXPECT_FALSE(parser.HasKey("a"));
}

}  // namespace
