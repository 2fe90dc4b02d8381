#include "reconstruct/TextRuns.h"

#include <gtest/gtest.h>

namespace reconstruct {
namespace {

RawPage PageWithStyles() {
    RawPage page;
    page.styles.push_back({"Serif", "Noto Serif", 10, false, false, false, {}});
    page.styles.push_back({"Serif-Bold", "Noto Serif", 10, true, false, false, {}});
    page.links.push_back({{0, 0, 10, 10}, "https://example.org/"});
    return page;
}

std::vector<RawChar> Chars(std::u32string_view text, int style = 0) {
    std::vector<RawChar> chars;
    for (char32_t c : text)
        chars.push_back({c, {}, style});
    return chars;
}

TEST(TextRunsTest, NeighboursOfOneLookShareARunAndSpacesCollapse) {
    const RawPage page = PageWithStyles();
    std::vector<RawChar> chars = Chars(U"  plain   ");
    const std::vector<RawChar> bold = Chars(U"bold", 1);
    chars.insert(chars.end(), bold.begin(), bold.end());
    chars.push_back({U' ', {}, 1});
    std::vector<RawChar> linked = Chars(U"link");
    for (RawChar& c : linked)
        c.link = 0;
    chars.insert(chars.end(), linked.begin(), linked.end());
    chars.push_back({U' ', {}, 0});

    const std::vector<TextRun> runs = RunsOf(page, chars);
    ASSERT_EQ(runs.size(), 3u);
    EXPECT_EQ(runs[0].text, "plain");
    EXPECT_EQ(runs[1].text, " bold");
    EXPECT_TRUE(runs[1].font.bold);
    EXPECT_EQ(runs[2].text, " link");
    EXPECT_EQ(runs[2].link, "https://example.org/");
}

TEST(TextRunsTest, LinesJoinAsFlowingTextForEachScript) {
    const RawPage page = PageWithStyles();
    struct Case {
        std::u32string first;
        std::u32string second;
        std::string joined;
    };
    const Case cases[] = {
        {U"a flowing", U"paragraph", "a flowing paragraph"},
        {U"recon-", U"struction", "reconstruction"},
        {U"state-of-", U"1999", "state-of- 1999"},
        {U"中文段落", U"继续", "中文段落继续"},
        {U"mixed 中文", U"text", "mixed 中文text"},
        {U"标点，", U"next", "标点，next"},
    };
    for (const Case& c : cases) {
        std::vector<TextRun> runs;
        AppendLine(page, Chars(c.first), &runs);
        AppendLine(page, Chars(c.second), &runs);
        EXPECT_EQ(TextOf(runs), c.joined);
        EXPECT_EQ(runs.size(), 1u) << c.joined;
    }
}

std::vector<TextRun> Runs(std::initializer_list<const char*> texts) {
    std::vector<TextRun> runs;
    for (const char* text : texts) {
        runs.emplace_back();
        runs.back().text = text;
        runs.back().font.bold = runs.size() == 2;
    }
    return runs;
}

TEST(TextRunsTest, DotLeadersBeforePageNumbersEndInATab) {
    const struct {
        std::vector<TextRun> runs;
        std::optional<std::string> tabbed;  // none when no leader may be found
    } cases[] = {
        // Written without spacing, the dots lose the spaces between them and their last tenth,
        // at least two.
        {Runs({"Simple examples", ". . . . . . . .", " 45"}), "Simple examples......\t45"},
        // A title printed apart from its dots keeps a space before them.
        {Runs({"Simple examples ", ". . . . . . . .", " 45"}), "Simple examples ......\t45"},
        {Runs({"Preface......................1"}), "Preface....................\t1"},
        {Runs({"Contents ", "\u00B7 \u00B7 \u00B7 \u00B7 ", "xiv"}), "Contents \u00B7\u00B7\txiv"},
        {Runs({"Index", "\u2026\u2026\u2026\u2026", "A-3"}), "Index\u2026\u2026\tA-3"},
        {Runs({"Long", std::string(60, '.').c_str(), "7"}), "Long" + std::string(54, '.') + "\t7"},
        {Runs({"and so on... 12"}), std::nullopt},              // an ellipsis, not a leader
        {Runs({"wait . . . . . and see"}), std::nullopt},       // no page number after the dots
        {Runs({"see . . . . . page 12 of it"}), std::nullopt},  // the dots are not before the end
        {Runs({". . . . . . 45"}), std::nullopt},               // nothing for the dots to lead from
        {Runs({"Totals . . . . . 1234567890"}), std::nullopt},  // too long for a page number
    };
    for (const auto& c : cases) {
        const std::string text = TextOf(c.runs);
        SCOPED_TRACE(text);
        const std::optional<ByteSpan> leader = FindDotLeader(c.runs);
        ASSERT_EQ(leader.has_value(), c.tabbed.has_value());
        if (!leader)
            continue;
        EXPECT_EQ(TextOf(LeaderAsTab(c.runs, *leader, 0)), *c.tabbed);
    }
}

TEST(TextRunsTest, LeaderDotsKeepTheirLookAndTheirPrintedSpacing) {
    // Whether the space before the dots ends the title's run or starts theirs, the dots keep
    // their own look, and the space is kept: the dots stand closer to make room for it.
    for (auto runs : {Runs({"Simple examples", " . . . . . .", " 45"}),
                      Runs({"Simple examples ", ". . . . . .", " 45"})}) {
        for (TextRun& run : runs)
            run.font.size = 9;
        const auto leader = FindDotLeader(runs);
        ASSERT_TRUE(leader);
        const std::vector<TextRun> tabbed = LeaderAsTab(runs, *leader, 1.5);
        EXPECT_EQ(TextOf(tabbed), "Simple examples ......\t45");
        ASSERT_GE(tabbed.size(), 4u);
        const TextRun& dots = tabbed[tabbed.size() - 3];
        EXPECT_EQ(dots.text, "......");  // spaced dots keep them all
        EXPECT_TRUE(dots.font.bold);
        EXPECT_DOUBLE_EQ(dots.letter_spacing, 1.5 - 3.0 / 6);  // a third of 9 pt over six dots
        EXPECT_EQ(tabbed[tabbed.size() - 2].text, "\t");
        EXPECT_DOUBLE_EQ(tabbed[tabbed.size() - 2].letter_spacing, 0);
        EXPECT_EQ(tabbed.back().text, "45");
    }

    // Dots 4.5 pt apart and 2.75 pt wide stood 1.75 pt apart beyond their width: four fifths of
    // that is written.
    std::vector<RawChar> chars;
    for (char32_t c : std::u32string_view(U"Preface"))
        chars.push_back({c, {60, 0, 65, 10}});
    for (int i = 0; i < 5; ++i) {
        chars.push_back({U'.', {100 + 4.5 * i, 0, 102.75 + 4.5 * i, 10}});
        chars.push_back({U' ', {102.75 + 4.5 * i, 0, 104.5 + 4.5 * i, 10}});
    }
    chars.push_back({U'4', {130, 0, 135, 10}});
    chars.push_back({U'5', {135, 0, 140, 10}});
    EXPECT_NEAR(LeaderDotSpacing(chars), 1.4, 1e-9);
    EXPECT_EQ(LeaderDotSpacing(std::span<const RawChar>(chars).first(7)), 0);
}

}  // namespace
}  // namespace reconstruct
