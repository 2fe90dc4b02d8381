#pragma once

#include <optional>
#include <vector>

#include "reconstruct/RawPage.h"

namespace reconstruct {

// A line of body text as layout analysis sees it: its visible characters' box and the size and
// weight most of its characters have.
struct TextLine {
    Rect box;
    double baseline = 0;
    double size = 0;
    bool bold = false;
    // A line of code: it starts in a fixed-pitch face and keeps to one for much of its length
    // (its comments may be in the text face).
    bool code = false;
    std::vector<RawChar> chars;
};

bool IsBlank(char32_t code);

// False for boxes a damaged page gives with infinite or undefined coordinates.
bool IsFiniteBox(const Rect& box);

// The line made of `chars`; none when they are all blank.
std::optional<TextLine> MakeTextLine(const RawPage& page, std::vector<RawChar> chars,
                                     double baseline);

// Joins `other`, which stands on the same row as `row` (beside it, or raised or lowered within
// it), into `row` in left-to-right order, with a space where a gap separates the two.
void JoinRow(const RawPage& page, const TextLine& other, TextLine* row);

// Width of the first word: what would have had to fit at the end of the line above.
double FirstWordWidth(const TextLine& line);

}  // namespace reconstruct
