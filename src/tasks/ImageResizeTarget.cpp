#include "tasks/ImageResizeTarget.h"

#include <algorithm>
#include <climits>

namespace image_resize {
namespace {

// side x factor in extended precision, truncated; never below 1. Empty when it overflows int.
std::optional<int> Scale(int side, float factor) {
    const long double product = static_cast<long double>(side) * factor;
    if (product < 1)
        return 1;
    if (product > INT_MAX)
        return std::nullopt;
    return static_cast<int>(product);
}

float Ratio(int target, int source) {
    return static_cast<float>(target) / static_cast<float>(source);
}

std::optional<PixelSize> ScaleBoth(PixelSize source, float factor) {
    const std::optional<int> width = Scale(source.width, factor);
    const std::optional<int> height = Scale(source.height, factor);
    if (!width || !height)
        return std::nullopt;
    return PixelSize{*width, *height};
}

std::optional<PixelSize> UncheckedTarget(PixelSize source, const ImageResizeOptions& options) {
    switch (options.mode) {
        case kResizeByPercent:
            if (options.percent < 1)
                return std::nullopt;
            return ScaleBoth(source, static_cast<float>(options.percent) / 100.0f);
        case kResizeExact:
            return PixelSize{options.width, options.height};
        case kResizeToWidth: {
            const std::optional<int> height =
                Scale(source.height, Ratio(options.width, source.width));
            return height ? std::optional(PixelSize{options.width, *height}) : std::nullopt;
        }
        case kResizeToHeight: {
            const std::optional<int> width =
                Scale(source.width, Ratio(options.height, source.height));
            return width ? std::optional(PixelSize{*width, options.height}) : std::nullopt;
        }
        case kResizeFitWithin:
            // A box with a side of 0 or less would otherwise make a 1 x 1 picture and call it
            // a success.
            if (options.width < 1 || options.height < 1)
                return std::nullopt;
            return ScaleBoth(source, std::min(Ratio(options.width, source.width),
                                              Ratio(options.height, source.height)));
        default:
            return std::nullopt;
    }
}

}  // namespace

std::optional<PixelSize> TargetSize(PixelSize source, const ImageResizeOptions& options) {
    if (source.width < 1 || source.height < 1)
        return std::nullopt;
    const std::optional<PixelSize> target = UncheckedTarget(source, options);
    if (!target || target->width < 1 || target->height < 1)
        return std::nullopt;
    const auto pixels = static_cast<std::uint64_t>(target->width) * target->height;
    if (pixels > kMaxPixels)
        return std::nullopt;
    return target;
}

}  // namespace image_resize
