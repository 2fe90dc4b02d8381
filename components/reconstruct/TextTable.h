#pragma once

#include <functional>
#include <span>
#include <string>
#include <vector>

#include "reconstruct/LayoutModel.h"
#include "reconstruct/RawPage.h"

namespace reconstruct {

// A run of text on one line between gaps wider than about an em: what one cell holds on it.
struct TextSpan {
    Rect box;
    int words = 0;
    std::u32string text;  // without spaces, at most a few characters: enough to spot a marker
    std::u32string tail;  // its last few characters, without spaces: enough to spot a leader
};

// Characters on one baseline, drawn lines joined, split into spans at wide gaps.
struct SpannedLine {
    Rect box;
    double baseline = 0;
    double size = 0;  // font size of its largest characters
    std::vector<TextSpan> spans;
    int chars = 0;
    int monospace_chars = 0;
};

// The visual lines of the characters `keep` accepts, top to bottom.
std::vector<SpannedLine> TextLinesOf(const RawPage& page,
                                     const std::function<bool(const RawChar&)>& keep);

// The x ranges of text columns: ranges covered by spans, separated by gaps every line leaves
// open.
struct ColumnExtent {
    double x0 = 0;
    double x1 = 0;
};
std::vector<ColumnExtent> ColumnExtents(std::span<const SpannedLine> lines);

// The column whose range holds the centre of `span`.
int ColumnOf(const std::vector<ColumnExtent>& columns, const TextSpan& span);

// A table row from text: one line, or a line with the lines that continue its cells.
struct TextRow {
    double top = 0;
    double bottom = 0;
    std::vector<bool> filled;  // per column
};

// Rows of `lines` (one band of a table, top to bottom). A line joins the row above when it
// fills only a few of the columns the row already fills and follows closely: a wrapped cell.
// In the first column only a line starting in lower case continues, because a short label
// there usually starts a row of its own.
std::vector<TextRow> RowsOf(std::span<const SpannedLine> lines,
                            const std::vector<ColumnExtent>& columns);

// False for text that only looks tabular: columns of prose, a list with hanging indents,
// a code listing. `min_rows` rows must fill at least two columns.
bool LooksTabular(std::span<const SpannedLine> lines, const std::vector<ColumnExtent>& columns,
                  const std::vector<TextRow>& rows, int min_rows);

// How the text of one column lines up: on a common right edge, centre or left edge (`edge`).
struct ColumnAlignment {
    Align align = Align::kLeft;
    double edge = 0;
};

// The alignment of each column, or none (an empty list) when some column does not line up:
// it must hold text on two lines or more, most of them on one common edge.
std::vector<ColumnAlignment> ColumnAlignments(std::span<const SpannedLine> lines,
                                              const std::vector<ColumnExtent>& columns);

// Grid lines between text columns: the outer edges given, the middle of each gap between.
std::vector<double> ColumnLines(const std::vector<ColumnExtent>& columns, double left,
                                double right);

// A table with one cell per grid position (no merges, no borders), text and shading filled in.
// A paragraph that sits on its column's common edge takes the column's alignment; the others
// keep the one read from their place in the cell.
Table UniformTable(const RawPage& page, const std::vector<double>& xs,
                   const std::vector<double>& ys, bool ruled,
                   const std::vector<ColumnAlignment>& alignments);

}  // namespace reconstruct
