#pragma once

#include <optional>
#include <string>
#include <variant>
#include <vector>

#include "reconstruct/FontStyle.h"
#include "reconstruct/Geometry.h"
#include "reconstruct/RawPage.h"

// The editable document rebuilt from a PDF page: what the Word, Excel and PowerPoint writers
// write. Positions stay in page points so that writers that place things (slides, sheets) can
// use them; writers that flow text (Word) use the spacing and indents instead.
namespace reconstruct {

struct TextRun {
    std::string text;  // UTF-8; never contains a newline
    FontStyle font;
    bool underline = false;
    bool strike = false;
    VerticalShift shift = VerticalShift::kNone;
    std::string link;           // the URI when the run is a hyperlink
    bool page_number = false;   // in a running header or footer: the current page's number
    double letter_spacing = 0;  // extra advance after each character, in points
};

enum class Align { kLeft, kCenter, kRight, kJustify };

// A tab stop of a paragraph, in points from the text column's left edge.
struct TabStop {
    double position = 0;
    Align align = Align::kLeft;  // kLeft, kCenter or kRight
};

enum class ListKind {
    kNone,
    kBullet,
    kDecimal,
    kLowerLetter,
    kUpperLetter,
    kLowerRoman,
    kUpperRoman,
    kChinese
};

// A rule printed across a paragraph's width, as the line under a running header.
struct ParagraphRule {
    double thickness = 0.5;  // points
    Rgb color;
    double gap = 0;  // points between the text and the rule
};

struct Paragraph {
    Rect box;
    std::vector<TextRun> runs;  // the marker of a list item is not among them
    Align align = Align::kLeft;
    double left_indent = 0;        // points from the text column's left edge
    double right_indent = 0;       // points from the text column's right edge
    double first_line_indent = 0;  // relative to left_indent; negative for a hanging indent
    double space_before = 0;       // points
    double space_after = 0;
    double line_pitch = 0;  // baseline to baseline in points; 0 for a single line
    // The column's usual baseline distance at this paragraph's size: the room a single line
    // took in the PDF. 0 when not known.
    double usual_pitch = 0;
    ListKind list = ListKind::kNone;
    int list_level = 0;          // 0 for the outermost level
    std::string list_marker;     // the marker as printed ("•", "1.", "(a)", "一、")
    FontStyle list_marker_font;  // its face, size and colour as printed
    int list_number = 0;         // for numbered items: the number the marker shows
    int heading_level = 0;       // 1..6 for headings, 0 for body text
    // A table of contents' line: where its page number ends, in points from the text column's
    // left edge, for a right tab stop after the dots; 0 for none.
    double leader_tab = 0;
    double leader_dot_spacing = 0;  // how far apart the dots stood beyond their width, points
    // Where tab characters in the runs go, as in a running header whose title stands at the
    // left and its page number at the right.
    std::vector<TabStop> tab_stops;
    std::optional<ParagraphRule> rule_above;
    std::optional<ParagraphRule> rule_below;
};

struct Image {
    Rect box;
    std::string mime;  // "image/png" or "image/jpeg"
    std::vector<unsigned char> bytes;
    int pixel_width = 0;
    int pixel_height = 0;
};

struct CellBorders {
    double top = 0;  // widths in points; 0 for no border
    double bottom = 0;
    double left = 0;
    double right = 0;
    Rgb color;
};

struct Cell {
    int row = 0;
    int column = 0;
    int row_span = 1;
    int column_span = 1;
    Rect box;
    std::vector<Paragraph> paragraphs;
    std::optional<Rgb> shading;
    CellBorders borders;
};

// A grid: `column_widths` and `row_heights` give its lines; `cells` holds one entry per cell
// that is drawn, i.e. the top-left cell of a merged area with its spans, in row-major order.
// Positions covered by a merge have no entry.
struct Table {
    Rect box;
    std::vector<double> column_widths;  // points
    std::vector<double> row_heights;    // points
    std::vector<Cell> cells;
    bool ruled = true;  // false for a table found from aligned text alone
};

using Block = std::variant<Paragraph, Table, Image>;

// A band of the page with one column layout, top to bottom: a full-width title band, then a
// band in two columns, and so on. Blocks are in reading order (down the first column, then
// down the next).
struct Region {
    int columns = 1;
    double column_gap = 0;  // points
    std::vector<Block> blocks;
};

struct Margins {
    double left = 72;
    double top = 72;
    double right = 72;
    double bottom = 72;
};

struct Page {
    int index = 0;  // 0-based page number in the PDF
    double width = 0;
    double height = 0;
    Margins margins;
    // Vector drawings that could not be mapped to shapes are Image blocks (PNG) in the flow.
    std::vector<Region> regions;
    // A page without a text layer: its picture, at full page size, is its only content.
    std::optional<Image> page_image;
    // Whether the page printed the document's running header and footer. A chapter's first
    // page or the front matter's differently numbered pages do not, and keep their own.
    bool shows_header = true;
    bool shows_footer = true;
    // The page's own running header or footer, when it printed more in the running rows than
    // the document's (the chapter's title beside the page number); empty for the document's.
    std::vector<Paragraph> own_header;
    std::vector<Paragraph> own_footer;
};

enum class PageNumberStyle { kDecimal, kLowerRoman, kUpperRoman };

// How the PDF numbers its pages: page index (0-based) plus `offset` is the number printed.
struct PageNumbering {
    PageNumberStyle style = PageNumberStyle::kDecimal;
    int offset = 1;
};

// Whether the page at `page_index` is a left-hand page of a spread: its printed number (or,
// without numbers, its place in the document) is even.
inline bool IsEvenPage(int page_index, const std::optional<PageNumbering>& numbering) {
    const long printed = static_cast<long>(page_index) + (numbering ? numbering->offset : 1);
    return printed % 2 == 0;
}

// The running header and footer found on most pages; page numbers are marked in their runs.
struct RunningText {
    std::vector<Paragraph> header;  // of odd pages too when even pages have their own
    std::vector<Paragraph> footer;
    // A book printed for a spread sets its even pages' running rows apart (the page number at
    // the outer edge); empty when even pages print what odd pages do.
    std::vector<Paragraph> even_header;
    std::vector<Paragraph> even_footer;
    std::optional<PageNumbering> numbering;  // when a page number was found among them
};

}  // namespace reconstruct
