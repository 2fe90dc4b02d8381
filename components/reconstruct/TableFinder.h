#pragma once

#include <vector>

#include "reconstruct/LayoutModel.h"
#include "reconstruct/RawPage.h"

namespace reconstruct {

// The tables of a page, top to bottom: grids of ruled lines first, then tables from aligned
// text without rules. Each cell holds its text as paragraphs (TextRuns.h: AppendLine joins the
// lines of a cell), with alignment from where the text sits in the cell. A table's box covers
// the table alone, so that layout can leave out every character whose centre lies inside it.
std::vector<Table> FindTables(const RawPage& page);

}  // namespace reconstruct
