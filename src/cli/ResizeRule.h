#pragma once

#include "tasks/ImageResizeTarget.h"

// How the resize window (KImgResizeWnd) turns its option boxes into each picture's size.
namespace cli::resize_rule {

using image_resize::PixelSize;

struct Settings {
    bool by_percent = true;  // "等比缩放"; otherwise "像素"
    int percent = 100;
    int width_box = 0;  // 0 when the box is empty
    int height_box = 0;
    bool keep_proportions = true;
};

// The size a `picture` is given.
PixelSize TargetOf(PixelSize picture, const Settings& settings);

// A pixel box's value once it loses the focus: kept when the reference side is known, the value
// is not 0 and it lies between 1% and 4 times the reference; otherwise the reference itself.
int CheckedBox(int value, int reference);

}  // namespace cli::resize_rule
