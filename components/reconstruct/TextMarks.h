#pragma once

#include "reconstruct/RawPage.h"

namespace reconstruct {

// Sets `underline` on characters that a horizontal rule runs just under (0 to 0.3 em below
// the baseline) and `strike` on those it runs through (across the middle of the x-height).
// Only rules no wider than their line count: a table border under a cell's text is not an
// underline.
void MarkDecorations(RawPage* page);

// Whether a character set smaller than its line (under 0.8 of the line's size) is raised above
// or lowered below the line's baseline. Baselines are y values, growing downwards.
VerticalShift ShiftOf(double size, double baseline, double line_size, double line_baseline);

// Removes lines that repeat an earlier nearby line character for character a hair's breadth
// off (producers fake bold by printing text twice); the line kept becomes bold when the copy
// was offset, since that is how it looks.
void MergeOverprintedLines(RawPage* page);

// The size most of a line's visible characters have.
double DominantSize(const RawPage& page, const RawLine& line);

}  // namespace reconstruct
