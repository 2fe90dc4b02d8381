#pragma once

#include <optional>
#include <vector>

#include "reconstruct/LayoutModel.h"
#include "reconstruct/RawPage.h"
#include "reconstruct/TableSegments.h"

namespace reconstruct {

// A table ruled only across: a top rule, a rule under the header and a bottom rule, or the
// edges of shaded row bands. Its columns come from the gaps in its text.
struct BandFrame {
    double left = 0;
    double right = 0;
    std::vector<double> ys;      // the lines across, top to bottom
    std::vector<double> widths;  // their stroke widths (0 for an edge nobody sees)
    Rgb color;
    double side_width = 0;  // the stroke of the sides, when a box closes the bands
};

// The table inside `frame`, or none when its text does not form at least two columns and two
// rows. Every text line is a row (wrapped cells joined); a line across always ends a row.
std::optional<Table> BandedTable(const RawPage& page, const BandFrame& frame);

// Tables ruled only across, from horizontal lines that belong to no grid: lines of about the
// same extent, top to bottom, with tabular text between them.
std::vector<Table> FindBandedTables(const RawPage& page, std::vector<RulingLine> horizontals);

}  // namespace reconstruct
