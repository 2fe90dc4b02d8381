// Target sizes are computed with single-precision factors and truncation, which is why a few
// cases land one pixel short of what exact arithmetic would give; the table pins those down.
#include <gtest/gtest.h>

#include <climits>

#include "tasks/ImageResizeTarget.h"

namespace {

using image_resize::PixelSize;
using image_resize::TargetSize;

struct SizeCase {
    const char* name;
    PixelSize source;
    ImageResizeOptions options;
    PixelSize expected;
};

ImageResizeOptions Options(int mode, int width, int height, int percent = 0) {
    ImageResizeOptions options;
    options.mode = mode;
    options.width = width;
    options.height = height;
    options.percent = percent;
    return options;
}

TEST(ImageResizeTargetTest, EachModeGivesExactSizes) {
    const SizeCase cases[] = {
        {"camera photo into the thumbnail box",
         {4000, 3000},
         Options(kResizeFitWithin, 188, 108),
         {143, 107}},
        {"VGA into the box, short by float",
         {640, 480},
         Options(kResizeFitWithin, 188, 108),
         {143, 107}},
        {"wide picture, width bound",
         {1920, 1080},
         Options(kResizeFitWithin, 188, 108),
         {188, 105}},
        {"tall picture, height bound", {100, 800}, Options(kResizeFitWithin, 188, 108), {13, 108}},
        {"strip enlarged, height stays 1", {100, 1}, Options(kResizeFitWithin, 188, 108), {187, 1}},
        {"exactly twice the box", {376, 216}, Options(kResizeFitWithin, 188, 108), {188, 108}},
        {"half size", {100, 1}, Options(kResizeByPercent, 0, 0, 50), {50, 1}},
        {"a third, truncated", {400, 300}, Options(kResizeByPercent, 0, 0, 33), {132, 99}},
        {"doubled", {400, 300}, Options(kResizeByPercent, 0, 0, 200), {800, 600}},
        {"exact size ignores the aspect", {400, 300}, Options(kResizeExact, 50, 60), {50, 60}},
        {"fixed width", {400, 300}, Options(kResizeToWidth, 200, 0), {200, 150}},
        {"fixed height", {400, 300}, Options(kResizeToHeight, 0, 100), {133, 100}},
        {"fixed width on a strip keeps 1", {1000, 3}, Options(kResizeToWidth, 100, 0), {100, 1}},
    };
    for (const SizeCase& c : cases) {
        SCOPED_TRACE(c.name);
        const std::optional<PixelSize> target = TargetSize(c.source, c.options);
        ASSERT_TRUE(target.has_value());
        EXPECT_EQ(target->width, c.expected.width);
        EXPECT_EQ(target->height, c.expected.height);
    }
}

TEST(ImageResizeTargetTest, RefusesOptionsThatMakeNoSensibleSize) {
    const struct {
        const char* name;
        PixelSize source;
        ImageResizeOptions options;
    } cases[] = {
        {"mode 0", {400, 300}, Options(0, 188, 108)},
        {"mode 6", {400, 300}, Options(6, 188, 108)},
        {"exact with zero width", {400, 300}, Options(kResizeExact, 0, 108)},
        {"fixed width of zero", {400, 300}, Options(kResizeToWidth, 0, 108)},
        {"fixed height below zero", {400, 300}, Options(kResizeToHeight, 188, -5)},
        {"box with a zero side", {400, 300}, Options(kResizeFitWithin, 0, 108)},
        {"box with a negative side", {400, 300}, Options(kResizeFitWithin, 188, -1)},
        {"zero percent", {400, 300}, Options(kResizeByPercent, 0, 0, 0)},
        {"negative percent", {400, 300}, Options(kResizeByPercent, 0, 0, -50)},
        {"width beyond int", {400, 300}, Options(kResizeByPercent, 0, 0, INT_MAX)},
        {"height beyond int", {1, 3000}, Options(kResizeToWidth, 2000000000, 0)},
        {"result above the pixel bound", {400, 300}, Options(kResizeExact, 20000, 20000)},
        {"empty source", {0, 300}, Options(kResizeFitWithin, 188, 108)},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_FALSE(TargetSize(c.source, c.options).has_value());
    }
}

}  // namespace
