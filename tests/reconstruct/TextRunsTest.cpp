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

}  // namespace
}  // namespace reconstruct
