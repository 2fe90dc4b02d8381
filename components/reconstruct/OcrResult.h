#pragma once

#include <string>
#include <vector>

#include "reconstruct/Geometry.h"

// What text recognition found on one picture. Boxes are in the picture's pixels, origin at its
// top left, y growing downwards.
namespace reconstruct {

// One character as recognised (UTF-8; a ligature may hold more than one code point).
struct OcrGlyph {
    std::string text;
    Rect box;
};

struct OcrWord {
    Rect box;
    std::string text;      // UTF-8, no spaces
    float confidence = 0;  // 0..100
    std::vector<OcrGlyph> glyphs;
};

// A line of words in reading order, left to right.
struct OcrLine {
    Rect box;
    double baseline = 0;     // y of the baseline, midway along the line
    double font_pixels = 0;  // estimated size of the line's font, in pixels
    std::vector<OcrWord> words;
};

struct OcrResult {
    std::vector<OcrLine> lines;  // in the reading order the layout analysis found
    std::vector<Rect> figures;   // areas the layout analysis took for pictures, not text
};

}  // namespace reconstruct
