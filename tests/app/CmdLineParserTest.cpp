#include "app/CmdLineParser.h"

#include <gtest/gtest.h>

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

}  // namespace
