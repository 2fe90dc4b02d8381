#pragma once

#include <vector>

#include "reconstruct/LayoutModel.h"
#include "reconstruct/RawPage.h"

namespace reconstruct {

// Tables drawn without rules: at least three consecutive lines whose text, split at wide gaps,
// lines up in two or more columns (on common left, right or centre edges). Text of the boxes
// in `taken` (tables found already) is left out. Prose in columns, lists with hanging indents
// and code listings are not tables. A table of contents joined by dot leaders has no gaps, so
// it stays text; on such a page, entries spaced out without dots, a title and far to its right
// a page number, stay text as well.
std::vector<Table> FindAlignedTextTables(const RawPage& page, const std::vector<Rect>& taken);

}  // namespace reconstruct
