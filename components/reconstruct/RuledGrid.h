#pragma once

#include <vector>

#include "reconstruct/LayoutModel.h"
#include "reconstruct/RawPage.h"
#include "reconstruct/TableSegments.h"

namespace reconstruct {

struct RuledGrids {
    std::vector<Table> tables;
    // Horizontal lines that form no grid: they may still rule a table across.
    std::vector<RulingLine> loose_horizontals;
};

// Tables drawn as grids: connected horizontal and vertical lines whose crossings form cells.
// A missing line between two grid cells merges them. A single box (a framed note), a frame
// around the page and lines without any text inside are not tables.
RuledGrids FindRuledGrids(const RawPage& page, const std::vector<RulingLine>& segments);

}  // namespace reconstruct
