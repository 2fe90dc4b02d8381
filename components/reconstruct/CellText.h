#pragma once

#include <optional>
#include <vector>

#include "reconstruct/LayoutModel.h"
#include "reconstruct/RawPage.h"

namespace reconstruct {

// A character of a cell, with the drawn line it came from: one drawn line may cross several
// cells, and one cell may hold pieces of several drawn lines on one baseline.
struct PlacedChar {
    RawChar c;
    int line = 0;  // index into RawPage::lines
};

// The text of one cell as paragraphs: its characters grouped into visual lines, lines joined
// as flowing text, a new paragraph where the gap between lines is much wider than their pitch,
// and the alignment read from where the text sits between the cell's sides.
std::vector<Paragraph> CellParagraphs(const RawPage& page, const std::vector<PlacedChar>& chars,
                                      const Rect& cell);

// Gives every cell of `table` the characters whose centre lies in it. `xs` and `ys` are the
// table's grid lines; cells already hold their positions, spans and boxes.
void FillCellText(const RawPage& page, const std::vector<double>& xs, const std::vector<double>& ys,
                  Table* table);

// The colour of the fill drawn last over most of `box`; none when that fill is white or when
// no fill covers it. Fills over most of the page are paper colour and do not count.
std::optional<Rgb> ShadingOf(const RawPage& page, const Rect& box);

}  // namespace reconstruct
