#include "reconstruct/PathShapes.h"

#include <gtest/gtest.h>

#include "reconstruct/GraphicsRender.h"

namespace reconstruct {
namespace {

PathOutline::Subpath Closed(std::vector<Point> points) {
    return {std::move(points), true};
}

PathOutline::Subpath Box(double x0, double y0, double x1, double y1) {
    return Closed({{x0, y0}, {x1, y0}, {x1, y1}, {x0, y1}});
}

TEST(PathShapesTest, FilledOutlinesAreRectanglesFramesOrNothing) {
    struct Case {
        const char* name;
        PathOutline outline;
        std::optional<std::vector<Rect>> expected;
    };
    const Case cases[] = {
        {"one rectangle", {{Box(10, 20, 110, 40)}}, std::vector<Rect>{{10, 20, 110, 40}}},
        {"drawn backwards with the start repeated",
         {{Closed({{110, 40}, {110, 20}, {10, 20}, {10, 40}, {110, 40}})}},
         std::vector<Rect>{{10, 20, 110, 40}}},
        {"a grid of cells in one path",
         {{Box(0, 0, 10, 10), Box(10, 0, 20, 10), Box(0, 10, 10, 20)}},
         std::vector<Rect>{{0, 0, 10, 10}, {10, 0, 20, 10}, {0, 10, 10, 20}}},
        {"a frame",
         {{Box(0, 0, 100, 50), Box(1, 2, 99, 48)}},
         std::vector<Rect>{{0, 0, 100, 2}, {0, 48, 100, 50}, {0, 2, 1, 48}, {99, 2, 100, 48}}},
        {"a triangle", {{Closed({{0, 0}, {10, 0}, {5, 8}})}}, std::nullopt},
        {"a slanted quadrilateral", {{Closed({{0, 0}, {10, 1}, {10, 11}, {0, 10}})}}, std::nullopt},
        {"an L shape",
         {{Closed({{0, 0}, {10, 0}, {10, 5}, {5, 5}, {5, 10}, {0, 10}})}},
         std::nullopt},
        {"a rounded box", {{Box(0, 0, 10, 10)}, true}, std::nullopt},
        {"three nested boxes",
         {{Box(0, 0, 100, 100), Box(10, 10, 90, 90), Box(20, 20, 80, 80)}},
         std::nullopt},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(FilledRectangles(c.outline), c.expected);
    }
}

TEST(PathShapesTest, StrokedOutlinesGiveAxisSegmentsUnlessAnyIsSlanted) {
    const PathOutline table{{{{{0, 0}, {100, 0}}, false}, {{{50, 0}, {50, 40}}, false}}};
    const auto segments = AxisSegments(table);
    ASSERT_TRUE(segments.has_value());
    ASSERT_EQ(segments->size(), 2u);
    EXPECT_TRUE((*segments)[0].horizontal);
    EXPECT_FALSE((*segments)[1].horizontal);
    EXPECT_DOUBLE_EQ((*segments)[1].to.y, 40);

    const auto outlined = AxisSegments({{Box(0, 0, 10, 20)}});
    ASSERT_TRUE(outlined.has_value());
    EXPECT_EQ(outlined->size(), 4u);  // the closing side counts

    const auto with_dot = AxisSegments({{{{{5, 5}, {5, 5}}, false}}});
    ASSERT_TRUE(with_dot.has_value());
    EXPECT_TRUE(with_dot->empty());

    EXPECT_FALSE(AxisSegments({{{{{0, 0}, {100, 0}, {150, 30}}, false}}}).has_value());
    EXPECT_FALSE(AxisSegments({{{{{0, 0}, {100, 0}}, false}}, true}).has_value());
}

TEST(GraphicRegionsTest, NearDrawingsJoinAndFarOnesStayApart) {
    struct Case {
        const char* name;
        std::vector<Rect> boxes;
        std::size_t max_regions;
        std::vector<Rect> expected;
    };
    const Case cases[] = {
        {"overlapping", {{0, 0, 10, 10}, {5, 5, 20, 20}}, 32, {{0, 0, 20, 20}}},
        {"within the gap", {{0, 0, 10, 10}, {13, 0, 20, 10}}, 32, {{0, 0, 20, 10}}},
        {"beyond the gap",
         {{0, 0, 10, 10}, {15, 0, 20, 10}},
         32,
         {{0, 0, 10, 10}, {15, 0, 20, 10}}},
        // The third box bridges the first two only after they were placed apart.
        {"joined through a later box",
         {{0, 0, 10, 10}, {30, 0, 40, 10}, {8, 0, 32, 5}},
         32,
         {{0, 0, 40, 10}}},
        {"empty boxes are nothing", {{5, 5, 5, 9}}, 32, {}},
        {"too many: the smallest joins its nearest",
         {{0, 0, 100, 100}, {200, 0, 300, 100}, {310, 40, 312, 42}},
         2,
         {{0, 0, 100, 100}, {200, 0, 312, 100}}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(GroupGraphicRegions(c.boxes, 4, c.max_regions), c.expected);
    }
}

TEST(GraphicRegionsTest, ScatteredMarksStayWithinTheBound) {
    std::vector<Rect> boxes;
    for (int i = 0; i < 2000; ++i) {
        const double x = (i % 50) * 12;
        const double y = (i / 50) * 20;
        boxes.push_back({x, y, x + 2, y + 2});
    }
    const std::vector<Rect> regions = GroupGraphicRegions(boxes, 4, 32);
    EXPECT_LE(regions.size(), 32u);
    EXPECT_FALSE(regions.empty());
    for (const Rect& box : boxes) {
        const bool covered = std::any_of(regions.begin(), regions.end(), [&](const Rect& r) {
            return r.Contains(box.x0, box.y0) && r.Contains(box.x1, box.y1);
        });
        EXPECT_TRUE(covered);
    }
}

}  // namespace
}  // namespace reconstruct
