#pragma once

#include <vector>

#include "reconstruct/Geometry.h"
#include "reconstruct/OcrPicture.h"

namespace reconstruct {

// A ruled line on a picture, in its pixels.
struct PictureRule {
    Rect box;
    bool horizontal = true;
};

// The ruled lines of a scan: straight dark runs at least a third of an inch long and at most a
// millimetre thick, across or down, outside `figures`. They are what makes a table of a scanned
// grid: the recogniser reads the text in the cells but says nothing about the lines around them.
std::vector<PictureRule> FindPictureRules(const OcrPicture& picture,
                                          const std::vector<Rect>& figures);

}  // namespace reconstruct
