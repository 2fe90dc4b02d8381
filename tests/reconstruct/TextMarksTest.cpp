#include "reconstruct/TextMarks.h"

#include <gtest/gtest.h>

namespace reconstruct {
namespace {

// One 10 pt line "ab cd" with its baseline at y 100; characters 6 points wide from x 50.
RawPage PageWithLine() {
    RawPage page;
    page.styles.push_back({"Serif", "DejaVu Serif", 10, false, false, false, {}});
    RawLine line;
    line.baseline = 100;
    double x = 50;
    for (char32_t code : std::u32string(U"ab cd")) {
        line.chars.push_back({code, {x, 92, x + 6, 102}});
        x += 6;
    }
    line.box = {50, 92, x, 102};
    page.lines.push_back(line);
    return page;
}

RawRule Horizontal(double x0, double x1, double y, double thickness = 0.5) {
    return {{x0, y - thickness / 2, x1, y + thickness / 2}, true, thickness, {}};
}

TEST(TextMarksTest, RulesDecorateTheCharactersTheyRunUnderOrThrough) {
    struct Case {
        const char* name;
        RawRule rule;
        const char* underline;  // per character: 'u' underlined, '.' not
        const char* strike;
    };
    const Case cases[] = {
        {"under the first word", Horizontal(50, 62, 101.5), "uu...", "....."},
        {"under the whole line", Horizontal(50, 80, 102), "uuuuu", "....."},
        {"on the baseline", Horizontal(50, 80, 100), "uuuuu", "....."},
        {"through the second word", Horizontal(68, 80, 97), ".....", "...uu"},
        {"too far below", Horizontal(50, 80, 104.5), ".....", "....."},
        {"above the letters", Horizontal(50, 80, 92), ".....", "....."},
        {"a border far wider than the line", Horizontal(20, 200, 101.5), ".....", "....."},
        {"a thick bar", Horizontal(50, 80, 101.5, 3), ".....", "....."},
        {"vertical", {{60, 90, 60.5, 104}, false, 0.5, {}}, ".....", "....."},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        RawPage page = PageWithLine();
        page.rules.push_back(c.rule);
        MarkDecorations(&page);
        std::string underline;
        std::string strike;
        for (const RawChar& ch : page.lines[0].chars) {
            underline += ch.underline ? 'u' : '.';
            strike += ch.strike ? 'u' : '.';
        }
        EXPECT_EQ(underline, c.underline);
        EXPECT_EQ(strike, c.strike);
        EXPECT_EQ(page.rules.size(), 1u);
    }
}

TEST(TextMarksTest, OnlyTheLineNearARuleIsDecorated) {
    RawPage page = PageWithLine();
    RawLine below = page.lines[0];
    below.baseline = 114;
    for (RawChar& c : below.chars) {
        c.box.y0 += 14;
        c.box.y1 += 14;
    }
    below.box.y0 += 14;
    below.box.y1 += 14;
    page.lines.push_back(below);
    page.rules.push_back(Horizontal(50, 80, 101.5));
    MarkDecorations(&page);
    EXPECT_TRUE(page.lines[0].chars[0].underline);
    EXPECT_FALSE(page.lines[1].chars[0].underline);
    EXPECT_FALSE(page.lines[1].chars[0].strike);
}

RawLine Moved(RawLine line, double dx, double dy) {
    for (RawChar& c : line.chars)
        c.box = {c.box.x0 + dx, c.box.y0 + dy, c.box.x1 + dx, c.box.y1 + dy};
    line.box = {line.box.x0 + dx, line.box.y0 + dy, line.box.x1 + dx, line.box.y1 + dy};
    return line;
}

TEST(TextMarksTest, TextPrintedTwiceForABoldLookIsKeptOnceAsBold) {
    struct Case {
        const char* name;
        double dx, dy;
        bool merged, bold;
    };
    const Case cases[] = {
        {"a hair to the right", 0.3, 0, true, true},
        {"a hair down", 0, 0.25, true, true},
        {"exactly over it", 0, 0, true, false},
        {"a line further down", 0, 12, false, false},
        {"a column further right", 40, 0, false, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        RawPage page = PageWithLine();
        page.lines.push_back(Moved(page.lines[0], c.dx, c.dy));
        MergeOverprintedLines(&page);
        ASSERT_EQ(page.lines.size(), c.merged ? 1u : 2u);
        for (const RawLine& line : page.lines) {
            for (const RawChar& ch : line.chars)
                EXPECT_EQ(page.styles.at(static_cast<std::size_t>(ch.style)).bold, c.bold);
        }
    }

    RawPage different = PageWithLine();
    RawLine other = Moved(different.lines[0], 0.3, 0);
    other.chars[1].code = U'x';
    different.lines.push_back(other);
    MergeOverprintedLines(&different);
    EXPECT_EQ(different.lines.size(), 2u);
}

TEST(TextMarksTest, SmallCharactersOffTheBaselineAreScripts) {
    struct Case {
        double size, baseline;
        VerticalShift expected;
    };
    const Case cases[] = {
        {7, 96, VerticalShift::kSuperscript}, {7, 102.5, VerticalShift::kSubscript},
        {7, 100, VerticalShift::kNone},       {7, 99.5, VerticalShift::kNone},
        {9, 96, VerticalShift::kNone},  // hardly smaller: a raised word of the same text
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.size);
        SCOPED_TRACE(c.baseline);
        EXPECT_EQ(ShiftOf(c.size, c.baseline, 10, 100), c.expected);
    }
    EXPECT_EQ(ShiftOf(7, 96, 0, 100), VerticalShift::kNone);
}

TEST(TextMarksTest, DominantSizeIsTheSizeOfMostCharacters) {
    RawPage page = PageWithLine();
    page.styles.push_back({"Serif", "DejaVu Serif", 7, false, false, false, {}});
    page.lines[0].chars[0].style = 1;
    page.lines[0].chars[2].style = 1;  // the space does not count
    EXPECT_DOUBLE_EQ(DominantSize(page, page.lines[0]), 10);
    page.lines[0].chars[1].style = 1;
    page.lines[0].chars[3].style = 1;
    EXPECT_DOUBLE_EQ(DominantSize(page, page.lines[0]), 7);
    EXPECT_DOUBLE_EQ(DominantSize(page, RawLine{}), 0);
}

}  // namespace
}  // namespace reconstruct
