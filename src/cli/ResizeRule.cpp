#include "cli/ResizeRule.h"

#include <cmath>

namespace cli::resize_rule {
namespace {

// Single precision, halves away from zero, as the window computes.
int Rounded(float value) {
    return static_cast<int>(std::lround(value));
}

}  // namespace

PixelSize TargetOf(PixelSize picture, const Settings& settings) {
    if (settings.by_percent) {
        const float factor = static_cast<float>(settings.percent) / 100.0f;
        return {Rounded(static_cast<float>(picture.width) * factor),
                Rounded(static_cast<float>(picture.height) * factor)};
    }
    if (!settings.keep_proportions)
        return {settings.width_box, settings.height_box};
    if (picture.width == 0 || picture.height == 0)
        return {0, 0};
    int width = settings.width_box;
    int height = settings.height_box;
    const float ratio = static_cast<float>(picture.width) / static_cast<float>(picture.height);
    if (width == 0)
        width = Rounded(static_cast<float>(height) * ratio);
    if (height == 0)
        height = Rounded(static_cast<float>(width) / ratio);
    return {width, height};
}

int CheckedBox(int value, int reference) {
    if (reference == 0 || value == 0)
        return reference;
    const double share = static_cast<double>(value) / reference;
    return share >= 0.01 && share <= 4 ? value : reference;
}

}  // namespace cli::resize_rule
