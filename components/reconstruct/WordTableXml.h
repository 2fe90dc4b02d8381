#pragma once

#include <string>

#include "reconstruct/LayoutModel.h"
#include "reconstruct/WordParagraphXml.h"

namespace reconstruct {

// A Word table for `table`, `indent` points in from the text's left edge and scaled down to
// `available_width` points when wider: grid columns, row heights, merged cells as column spans
// and vertical merges (with a continuation cell at every covered position), borders and shading,
// and cell margins that keep the text as far in from the cells' sides as the PDF had it.
// Empty when the table has no rows or no columns.
std::string TableXml(const Table& table, double indent, double available_width,
                     WordContext& context);

}  // namespace reconstruct
