#include "app/KCmdArgs.h"

#include <gtest/gtest.h>

#include "app/CommandLineSplit.h"

namespace {

using Args = std::vector<std::string>;
using Values = KCmdArgs::ValueMap;

TEST(KCmdArgsTest, WalksTheArgumentVector) {
    const struct {
        Args argv;
        Args positional;
        Values values;
    } cases[] = {
        // The program's path, then a switch whose value is the next argument, a path.
        {{"/opt/q", "-async_convert", "/home/a b.pdf"},
         {"/opt/q"},
         {{"async_convert", "/home/a b.pdf"}}},
        {{"p", "-update_files", "-widget"}, {"p"}, {{"update_files", ""}, {"widget", ""}}},
        {{"p", "/enable_menu:1", "---key:=:=value"},
         {"p"},
         {{"enable_menu", "1"}, {"key", "value"}}},
        {{"p", "/kpath:/x/y.pdf", "/docs/b.pdf", "-a=-b"},
         {"p", "/docs/b.pdf"},
         {{"a", "-b"}, {"kpath", "/x/y.pdf"}}},
        {{"p", "x", "-a", "y", "z", "-last"}, {"p", "x", "z"}, {{"a", "y"}, {"last", ""}}},
        {{"p", "-k", "", "y"}, {"p", "y"}, {{"k", ""}}},
        {{"p", "-a=1", "/a:2", "-A"}, {"p"}, {{"A", ""}, {"a", "2"}}},
        // An empty key: its value is positional, and without a value nothing is stored.
        {{"p", "-=x", "--", "file", "-", "/:"}, {"p", "x", "file"}, {}},
        {{}, {}, {}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::PrintToString(c.argv));
        const KCmdArgs args(c.argv);
        EXPECT_EQ(args.Positional(), c.positional);
        EXPECT_EQ(args.Values(), c.values);
    }
    const char* argv[] = {"/usr/bin/quire", "-from", "4", "/type:1", nullptr};
    const KCmdArgs from_argv(4, argv);
    EXPECT_EQ(from_argv.Positional(), Args{"/usr/bin/quire"});
    EXPECT_EQ(from_argv.Values(), (Values{{"from", "4"}, {"type", "1"}}));
}

TEST(KCmdArgsTest, ValueGetters) {
    const KCmdArgs args(Args{"p", "-empty", "-n= 42abc"});
    EXPECT_TRUE(args.HasKey("empty"));
    EXPECT_FALSE(args.HasValue("empty"));
    EXPECT_EQ(args.GetInt("empty"), 0);
    EXPECT_TRUE(args.HasValue("n"));
    EXPECT_EQ(args.GetValue("n"), " 42abc");
    EXPECT_EQ(args.GetInt("n"), 42);
    EXPECT_FALSE(args.HasKey("N"));
    EXPECT_FALSE(args.HasValue("absent"));
    EXPECT_EQ(args.GetValue("absent"), "");
    EXPECT_EQ(args.GetInt("absent"), 0);
}

TEST(KCmdArgsTest, ToCommandLine) {
    KCmdArgs args(Args{"/opt/quire/quire"});
    args.SetQuotedValue("async_convert", "/home/me/my file.pdf");
    EXPECT_EQ(args.ToCommandLine(), "/opt/quire/quire -async_convert=\"/home/me/my file.pdf\" ");

    // Key order; positionals that would split apart are quoted.
    KCmdArgs built(Args{"/opt/my apps/q", "", "a\"b", "x"});
    built.SetValue("b", "2");
    built.SetValue("a", "");
    built.SetValue("b", "3");
    EXPECT_EQ(built.ToCommandLine(), "\"/opt/my apps/q\" \"\" a\\\"b x -a -b=3 ");
    EXPECT_EQ(KCmdArgs().ToCommandLine(), "");
}

TEST(KCmdArgsTest, QuotingStep) {
    const struct {
        const char* value;
        const char* quoted;
    } cases[] = {
        {"plain", "plain"},
        {"/a b.pdf", "\"/a b.pdf\""},
        {"say \"hi\"", "\"say \\\"hi\\\"\""},
        {"C:\\dir\\", "C:\\dir\\"},
        // Backslashes before a quote or the closing quote are doubled; tabs wrap too.
        {"/dir x/\\", "\"/dir x/\\\\\""},
        {"a\\\"b", "a\\\\\\\"b"},
        {"a\tb", "\"a\tb\""},
    };
    for (const auto& c : cases)
        EXPECT_EQ(QuoteCommandLineArgument(c.value), c.quoted) << c.value;
}

TEST(CommandLineSplitTest, WindowsRules) {
    const struct {
        const char* line;
        Args argv;
    } cases[] = {
        {"", {}},
        {"  \t ", {}},
        {"a b  c\t", {"a", "b", "c"}},
        {"\"a b\" c", {"a b", "c"}},
        {"-k=\"a b\" -x", {"-k=a b", "-x"}},
        {"\"\" x", {"", "x"}},
        {"a\"\"b", {"ab"}},
        {"a\\\"b", {"a\"b"}},
        {"a\\\\\"b c\"", {"a\\b c"}},
        {"a\\\\\\\"b", {"a\\\"b"}},
        {"a\\b\\\\c end\\", {"a\\b\\\\c", "end\\"}},
        {"\"unterminated x", {"unterminated x"}},
        {"中文 \"路径 名\"", {"中文", "路径 名"}},
    };
    for (const auto& c : cases)
        EXPECT_EQ(SplitCommandLine(c.line), c.argv) << c.line;
}

// A value set through the quoting step comes back unchanged after ToCommandLine, the split and
// the walk, whatever it holds: this is how a child copy receives a file path.
TEST(KCmdArgsTest, QuotedValuesRoundTrip) {
    const char* values[] = {
        "plain",
        "/home/me/my file.pdf",
        "say \"hi\" twice \"\"",
        "\"",
        "\\",
        " ",
        "/dir with space/\\",
        "/dir/\\\\",
        "trailing\\ \\\\",
        "a\\\"b",
        "\\\\\"x y\\\\",
        "tab\there",
        "",
        "/home/用户/文档 2024/报告.pdf",
        "-looks like a switch",
        "a=b:c",
        "'apostrophe' \"mixed",
    };
    const std::string program = "/opt/my apps/quire";
    for (const char* value : values) {
        SCOPED_TRACE(value);
        KCmdArgs built(Args{program});
        built.SetQuotedValue("value", value);
        built.SetValue("flag", "");
        built.SetValue("n", "7");
        const Args argv = SplitCommandLine(built.ToCommandLine());
        const KCmdArgs child(argv);
        EXPECT_EQ(child.Positional(), Args{program});
        EXPECT_EQ(child.Values(), (Values{{"flag", ""}, {"n", "7"}, {"value", value}}));
        EXPECT_EQ(ChildArguments(built), Args(argv.begin() + 1, argv.end()));
    }
    // Without a program path nothing is dropped.
    KCmdArgs bare;
    bare.SetValue("update_files", "");
    EXPECT_EQ(ChildArguments(bare), Args{"-update_files"});
}

}  // namespace
