#pragma once

#include <functional>
#include <vector>

#include "reconstruct/LayoutModel.h"
#include "reconstruct/RawPage.h"

namespace reconstruct {

// The tables of a page, top to bottom: grids of ruled lines first, then tables from aligned
// text without rules. Each cell holds its text as paragraphs (TextRuns.h: AppendLine joins the
// lines of a cell), with alignment from where the text sits in the cell. A table's box covers
// the table alone, so that layout can leave out every character whose centre lies inside it.
// `furniture` picks out rules that belong to no table: a running header's rule would otherwise
// frame the body as one large cell.
using RuleFilter = std::function<bool(const RawRule&)>;
std::vector<Table> FindTables(const RawPage& page, const RuleFilter& furniture = nullptr);

}  // namespace reconstruct
