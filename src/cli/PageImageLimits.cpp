#include "cli/PageImageLimits.h"

#include <algorithm>
#include <cmath>
#include <vector>

namespace cli {
namespace {

constexpr double kMaxJpegSide = 60000;
constexpr double kSmallestScale = 0.1;
constexpr int kMaxPagesPerImage = 10;

double Budget(const PageImageRequest& request) {
    return static_cast<double>(request.memory_mib) * (1 << 20);
}

// Pages joined per picture as the core will join them.
int JoinedPages(const PageImageRequest& request, int pages_per_image) {
    if (!request.long_image)
        return 1;
    return pages_per_image == 0 || pages_per_image >= request.span ? request.span : pages_per_image;
}

double LargestScale(const PageImageRequest& request, int joined) {
    const double pixels = 4.0 * request.width * request.height * joined;
    double largest = Budget(request) / pixels;
    if (request.jpg)
        largest = std::min(largest, kMaxJpegSide / (static_cast<double>(joined) * request.height));
    return largest;
}

// Pages that fit in one picture at `scale`: 0 when all of them do, -1 when not even two.
int LargestPageCount(const PageImageRequest& request, double scale) {
    double largest = Budget(request) / (4.0 * request.width * request.height * scale);
    if (request.jpg)
        largest = std::min(largest, kMaxJpegSide / (scale * request.height));
    if (largest >= request.span)
        return 0;
    const int even = std::min(static_cast<int>(largest) / 2 * 2, kMaxPagesPerImage);
    return even >= 2 ? even : -1;
}

// The quality entries the window keeps for a largest scale, best first.
std::vector<int> OfferedScales(bool long_image, double largest) {
    std::vector<int> offered;
    const std::vector<int> entries =
        long_image ? std::vector<int>{200, 100, 50} : std::vector<int>{400, 300, 200, 100, 50};
    for (int entry : entries) {
        if (entry / 100.0 <= largest)
            offered.push_back(entry);
    }
    if (offered.empty())
        offered.push_back(std::max(10, static_cast<int>(std::floor(largest * 100)) / 5 * 5));
    return offered;
}

}  // namespace

PageImageFit FitPageImages(const PageImageRequest& request) {
    PageImageFit fit;
    fit.scale_percent = request.scale_percent;
    fit.pages_per_image = request.pages_per_image;
    if (request.width <= 0 || request.height <= 0)
        return fit;
    if (request.long_image) {
        const int limit = LargestPageCount(request, request.scale_percent / 100.0);
        if (limit < 0) {
            fit.refused = true;
            return fit;
        }
        if (limit > 0 && JoinedPages(request, request.pages_per_image) > limit) {
            fit.pages_per_image = limit;
            fit.count_lowered = true;
        }
    }
    const double largest = LargestScale(request, JoinedPages(request, fit.pages_per_image));
    if (largest < kSmallestScale) {
        fit.refused = true;
        return fit;
    }
    const std::vector<int> offered = OfferedScales(request.long_image, largest);
    if (std::find(offered.begin(), offered.end(), request.scale_percent) != offered.end())
        return fit;
    // As the window does when the current choice is no longer offered: the standard quality
    // when it fits, else the best that does.
    const bool standard = std::find(offered.begin(), offered.end(), 200) != offered.end();
    fit.scale_percent = standard ? 200 : offered.front();
    fit.scale_lowered = true;
    return fit;
}

}  // namespace cli
