#pragma once

#include <optional>
#include <variant>
#include <vector>

#include "reconstruct/LayoutModel.h"
#include "reconstruct/RawPage.h"
#include "reconstruct/TextLine.h"

namespace reconstruct {

// What stands in a column: a line of text, or a table or picture that breaks the text flow.
using FlowItem = std::variant<TextLine, Table, Image>;

Rect BoxOf(const FlowItem& item);

// The column the items stand in: indents are measured from its edges and headings from the
// page's body text size.
struct ColumnFrame {
    double left = 0;
    double right = 0;
    double body_size = 10;
    // Where the column's stretch of the page starts: the first block keeps its distance from
    // it as spacing before. Unset for none.
    std::optional<double> top;
};

// The blocks of one column in reading order: lines joined into paragraphs (alignment, indents,
// spacing, list items and headings worked out), tables and pictures where they stand.
std::vector<Block> BuildColumn(const RawPage& page, std::vector<FlowItem> items,
                               const ColumnFrame& frame);

}  // namespace reconstruct
