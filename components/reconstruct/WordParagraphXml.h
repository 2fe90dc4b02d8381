#pragma once

#include <string>

#include "reconstruct/LayoutModel.h"
#include "reconstruct/WordFonts.h"
#include "reconstruct/WordNumbering.h"
#include "reconstruct/WordRelationships.h"

namespace reconstruct {

// Where the content before a block ends.
enum class BreakBefore { kNone, kPage, kColumn };

// What the writers of one part share while they write its paragraphs.
struct WordContext {
    WordRelationships& relationships;  // of the part being written (hyperlinks)
    WordNumbering& numbering;
    WordFonts& fonts;
    // False in headers and footers: their text, like headings, does not make the Normal style.
    bool body = true;
};

// A flowing paragraph: style, spacing, indents, list numbering and its runs; hyperlinks as
// relationships, page-number runs as PAGE fields.
std::string ParagraphXml(const Paragraph& paragraph, BreakBefore brk, WordContext& context);
// A paragraph holding only `drawing_run`, `indent` points in, with spacing that cannot push the
// picture off its page.
std::string PictureParagraphXml(const std::string& drawing_run, double indent, BreakBefore brk);
// An empty paragraph one point high, for where Word needs a paragraph but the page shows none:
// between two tables, after a final table, or to carry a break before a table.
std::string SpacerParagraphXml(BreakBefore brk);

std::string RunPropertiesXml(const TextRun& run);
// "RRGGBB", as Word writes colours.
std::string HexColor(const Rgb& color);
// One side of a border `width` points wide, `space` points from the text; nil for no width.
std::string BorderXml(const char* side, double width, const Rgb& color, double space = 0);
// Twips of a length in points, bounded by Word's largest page (22 inches); 0 for a length that
// is not a number.
long BoundedTwips(double points);
inline constexpr double kWordMaxLength = 1584;
// The w:spacing element: before and after, and the line pitch as an exact height when it is
// larger than the font's natural line, else as a multiple of single spacing.
std::string SpacingXml(const Paragraph& paragraph);

}  // namespace reconstruct
