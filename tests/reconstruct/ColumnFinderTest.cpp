#include "reconstruct/ColumnFinder.h"

#include <gtest/gtest.h>

namespace reconstruct {
namespace {

Rect Box(double x0, double x1, double y0, double height = 11) {
    return {x0, y0, x1, y0 + height};
}

// Two columns of ten lines each: the gutter between them is found over their whole height.
std::vector<Rect> TwoColumns(double top) {
    std::vector<Rect> boxes;
    for (int line = 0; line < 10; ++line) {
        boxes.push_back(Box(72, 290, top + 14 * line));
        boxes.push_back(Box(322, 540, top + 14 * line));
    }
    return boxes;
}

TEST(ColumnFinderTest, TwoColumnsHaveOneGutterOverTheirHeight) {
    const std::vector<Rect> boxes = TwoColumns(100);
    const std::vector<Gutter> gutters = FindGutters(boxes, 10);
    ASSERT_EQ(gutters.size(), 1u);
    EXPECT_DOUBLE_EQ(gutters[0].x0, 290);
    EXPECT_DOUBLE_EQ(gutters[0].x1, 322);
    EXPECT_DOUBLE_EQ(gutters[0].y0, 100);
    EXPECT_DOUBLE_EQ(gutters[0].y1, 100 + 14 * 9 + 11);
}

// A row whose wide piece crosses the gap keeps all of its pieces out of the stretches beside
// it, even a piece whose centre lies a little above or below the wide one's: three rows of a
// contents page, drawn in pieces, do not make a column.
TEST(ColumnFinderTest, APieceBesideOneThatCrossesIsNotBesideTheGap) {
    std::vector<Rect> boxes = {
        // a row whose title crosses; its number and page number sit 0.4 pt lower
        Box(94.6, 114.5, 239.8),
        Box(126.4, 547.3, 239.4, 11.7),
        Box(557, 567, 239.8),
        // a row drawn in four pieces, the gap at 184-194 lying between its title and its dots
        Box(71.6, 84.1, 257.5),
        Box(94.6, 184.2, 257.0, 11.7),
        Box(193.7, 547.3, 257.5),
        Box(557, 567, 257.5),
        // a row whose title crosses again; here its number and page number sit higher
        Box(94.6, 114.5, 275.1),
        Box(126.4, 547.3, 275.1, 11.9),
        Box(557, 567, 275.1),
    };
    EXPECT_TRUE(FindGutters(boxes, 10).empty());

    // Under those rows a real pair of columns is still found.
    for (const Rect& box : TwoColumns(320))
        boxes.push_back(box);
    const std::vector<Gutter> gutters = FindGutters(boxes, 10);
    ASSERT_EQ(gutters.size(), 1u);
    EXPECT_DOUBLE_EQ(gutters[0].y0, 320);
}

}  // namespace
}  // namespace reconstruct
