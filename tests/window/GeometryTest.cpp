#include "platform/window/Geometry.h"

#include <gtest/gtest.h>

namespace platform {
namespace {

TEST(RectTest, IntersectIsEmptyForRectanglesThatOnlyTouch) {
    const Rect a{0, 0, 10, 10};
    EXPECT_TRUE(a.Intersect({10, 0, 20, 10}).IsEmpty());  // right edge is one past the last
    EXPECT_TRUE(a.Intersect({0, 10, 10, 20}).IsEmpty());
    EXPECT_EQ(a.Intersect({9, 9, 20, 20}), (Rect{9, 9, 10, 10}));
    // No intersection gives the canonical empty rectangle, whatever the inputs' coordinates.
    EXPECT_EQ(a.Intersect({50, 50, 60, 60}), Rect{});
}

TEST(RectTest, UnionIgnoresEmptyRectanglesWhereverTheyLie) {
    const Rect a{10, 10, 20, 20};
    EXPECT_EQ(a.Union({100, 100, 100, 200}), a);        // zero width
    EXPECT_EQ((Rect{-50, -50, -60, -40}).Union(a), a);  // inverted
    EXPECT_EQ(a.Union({0, 15, 5, 30}), (Rect{0, 10, 20, 30}));
    EXPECT_TRUE(Rect{}.Union(Rect{}).IsEmpty());
    EXPECT_FALSE((Rect{5, 5, 6, 6}).Contains({6, 5}));
}

}  // namespace
}  // namespace platform
