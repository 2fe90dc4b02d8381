// The page text of the page-tool windows and the page boxes of the conversion rows.
#include <gtest/gtest.h>

#include "cli/PageText.h"

namespace {

using cli::page_text::Range;
namespace page_text = cli::page_text;

TEST(PageTextTest, SplitKeepsWellFormedRangesInTypedOrder) {
    EXPECT_EQ(page_text::SplitRanges("1-3,5-5,x,7"), (std::vector<Range>{{1, 3}, {5, 5}}));
    EXPECT_EQ(page_text::SplitRanges("6-10,1-5"), (std::vector<Range>{{6, 10}, {1, 5}}));
    // Only digits count: signs, blanks, letters and third parts make an item unusable.
    EXPECT_TRUE(page_text::SplitRanges("-3,1-3a, 1-3,1-2-3,+1-2,1-,-").empty());
    EXPECT_TRUE(page_text::SplitRanges("4-2").empty());
    // A number too long to be a page does not wrap around into one.
    EXPECT_TRUE(page_text::SplitRanges("99999999999-1").empty());
}

TEST(PageTextTest, ChosenPagesExpandEachItem) {
    EXPECT_EQ(page_text::ChosenPages("2-4", 10), (std::vector<int>{2, 3, 4}));
    EXPECT_TRUE(page_text::ChosenPages("3", 10).empty());
    EXPECT_EQ(page_text::ChosenPages("1-2,2-2,9-8", 10), (std::vector<int>{1, 2, 2}));
    // Pages past the document are never produced, however large the typed number.
    EXPECT_EQ(page_text::ChosenPages("4-999999999", 5), (std::vector<int>{4, 5}));
    EXPECT_EQ(page_text::HighestPage("2-4,9-8,3-7"), 7);
    EXPECT_EQ(page_text::HighestPage("x"), 0);
}

TEST(PageTextTest, ConversionRangeIsOneItemKeptInsideTheDocument) {
    EXPECT_EQ(page_text::SingleRange("2-9"), (Range{2, 9}));
    EXPECT_EQ(page_text::SingleRange("3-3"), (Range{3, 3}));
    EXPECT_FALSE(page_text::SingleRange("9-2").has_value());
    EXPECT_FALSE(page_text::SingleRange("0-3").has_value());
    EXPECT_FALSE(page_text::SingleRange("2-9,x").has_value());
    EXPECT_FALSE(page_text::SingleRange("5").has_value());

    EXPECT_EQ(page_text::Clamp({2, 50}, 10), (Range{2, 10}));
    EXPECT_EQ(page_text::Clamp({12, 50}, 10), (Range{10, 10}));
    EXPECT_EQ(page_text::Clamp({1, 1}, 1), (Range{1, 1}));
}

}  // namespace
