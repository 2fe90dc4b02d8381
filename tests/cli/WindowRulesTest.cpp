// The windows' option arithmetic the command line reproduces: picture-size limits, resize
// targets, compression sizes, change-format numbering and split parts.
#include <gtest/gtest.h>

#include "cli/ImageCompressJobs.h"
#include "cli/ImageConvertJobs.h"
#include "cli/PageImageLimits.h"
#include "cli/ResizeRule.h"
#include "cli/SplitJobs.h"

namespace {

using cli::PageImageFit;
using cli::PageImageRequest;

PageImageRequest A4(int scale_percent) {
    PageImageRequest request;
    request.width = 595;
    request.height = 842;
    request.scale_percent = scale_percent;
    return request;
}

TEST(PageImageLimitsTest, AnA4PageOffersEveryQuality) {
    for (int scale : {50, 100, 200, 300, 400}) {
        const PageImageFit fit = cli::FitPageImages(A4(scale));
        EXPECT_FALSE(fit.refused);
        EXPECT_EQ(fit.scale_percent, scale);
        EXPECT_FALSE(fit.scale_lowered);
    }
}

TEST(PageImageLimitsTest, LargePagesLowerTheQualityOrAreRefused) {
    // 12000 x 12000 at scale 1 needs 550 MiB: with 200 MiB at most 0.36, so only a computed
    // entry, a multiple of 5, is left.
    PageImageRequest huge = A4(200);
    huge.width = 12000;
    huge.height = 12000;
    huge.jpg = false;
    PageImageFit fit = cli::FitPageImages(huge);
    EXPECT_FALSE(fit.refused);
    EXPECT_EQ(fit.scale_percent, 35);
    EXPECT_TRUE(fit.scale_lowered);

    // JPEG sides stay below 60000 pixels: a 20000-pixel-tall page fits at most at scale 3.
    PageImageRequest tall = A4(400);
    tall.height = 20000;
    tall.width = 100;
    fit = cli::FitPageImages(tall);
    EXPECT_EQ(fit.scale_percent, 200);  // the standard quality when it fits, not the best
    EXPECT_TRUE(fit.scale_lowered);

    huge.width = huge.height = 100000;
    EXPECT_TRUE(cli::FitPageImages(huge).refused);

    // Unknown sizes leave the choice alone.
    PageImageRequest unknown = A4(400);
    unknown.width = 0;
    EXPECT_EQ(cli::FitPageImages(unknown).scale_percent, 400);
}

TEST(PageImageLimitsTest, LongPicturesJoinOnlyAnEvenCountThatFits) {
    PageImageRequest request = A4(200);
    request.long_image = true;
    request.span = 100;
    request.pages_per_image = 0;  // all in one picture
    // One A4 page at scale 2 is 8 MB of pixels, a JPEG at most 35 pages tall: 10 at most.
    PageImageFit fit = cli::FitPageImages(request);
    EXPECT_TRUE(fit.count_lowered);
    EXPECT_EQ(fit.pages_per_image, 10);

    request.span = 6;  // all six fit
    fit = cli::FitPageImages(request);
    EXPECT_FALSE(fit.count_lowered);
    EXPECT_EQ(fit.pages_per_image, 0);

    request.memory_mib = 10;  // 2.6 pages fit: rounded down to 2
    request.pages_per_image = 6;
    fit = cli::FitPageImages(request);
    EXPECT_EQ(fit.pages_per_image, 2);

    request.memory_mib = 5;  // not even two pages
    EXPECT_TRUE(cli::FitPageImages(request).refused);
}

TEST(ResizeRuleTest, TargetsFollowTheWindowsArithmetic) {
    using cli::resize_rule::PixelSize;
    cli::resize_rule::Settings percent;
    percent.percent = 50;
    EXPECT_EQ(cli::resize_rule::TargetOf({333, 201}, percent), (PixelSize{167, 101}));

    cli::resize_rule::Settings pixels;
    pixels.by_percent = false;
    pixels.width_box = 800;
    EXPECT_EQ(cli::resize_rule::TargetOf({1600, 1200}, pixels), (PixelSize{800, 600}));
    EXPECT_EQ(cli::resize_rule::TargetOf({1000, 3000}, pixels), (PixelSize{800, 2400}));
    EXPECT_EQ(cli::resize_rule::TargetOf({0, 0}, pixels), (PixelSize{0, 0}));
    pixels.width_box = 0;
    pixels.height_box = 300;
    EXPECT_EQ(cli::resize_rule::TargetOf({1600, 1200}, pixels), (PixelSize{400, 300}));

    pixels.keep_proportions = false;
    pixels.width_box = 640;
    EXPECT_EQ(cli::resize_rule::TargetOf({1600, 1200}, pixels), (PixelSize{640, 300}));
}

TEST(ResizeRuleTest, PixelBoxesStayWithinFourTimesTheFirstPicture) {
    EXPECT_EQ(cli::resize_rule::CheckedBox(5000, 1000), 1000);
    EXPECT_EQ(cli::resize_rule::CheckedBox(4000, 1000), 4000);
    EXPECT_EQ(cli::resize_rule::CheckedBox(10, 1000), 10);
    EXPECT_EQ(cli::resize_rule::CheckedBox(9, 1000), 1000);
    EXPECT_EQ(cli::resize_rule::CheckedBox(0, 1000), 1000);
    EXPECT_EQ(cli::resize_rule::CheckedBox(500, 0), 0);
}

TEST(ImageCompressTest, MaximumSizeInKilobytes) {
    EXPECT_EQ(cli::ImageCompressJobs::MaxKilobytes(500, 1, 0, 1'000'000), 500);
    EXPECT_EQ(cli::ImageCompressJobs::MaxKilobytes(2, 1024, 0, 1'000'000), 2048);
    EXPECT_EQ(cli::ImageCompressJobs::MaxKilobytes(500, 1, 50, 1'000'000), 488);
    EXPECT_EQ(cli::ImageCompressJobs::MaxKilobytes(500, 1, 10, 0), 0);
}

TEST(ImageConvertTest, PicturesOfOneTitleAreNumbered) {
    cli::ImageConvertJobs jobs;
    EXPECT_EQ(jobs.NextName("photo"), "photo.jpg");
    EXPECT_EQ(jobs.NextName("other"), "other.jpg");
    EXPECT_EQ(jobs.NextName("PHOTO"), "PHOTO_2.jpg");
    EXPECT_EQ(jobs.NextName("photo"), "photo_3.jpg");
}

TEST(SplitTest, EveryNPagesEndsAtTheLastPage) {
    using cli::page_text::Range;
    EXPECT_EQ(cli::SplitJobs::EveryNPages(3, 10),
              (std::vector<Range>{{1, 3}, {4, 6}, {7, 9}, {10, 10}}));
    EXPECT_EQ(cli::SplitJobs::EveryNPages(1, 2), (std::vector<Range>{{1, 1}, {2, 2}}));
    EXPECT_EQ(cli::SplitJobs::EveryNPages(2147483647, 2), (std::vector<Range>{{1, 2}}));
}

}  // namespace
