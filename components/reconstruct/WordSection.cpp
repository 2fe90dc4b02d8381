#include "reconstruct/WordSection.h"

#include <algorithm>
#include <cmath>

#include "reconstruct/WordParagraphXml.h"

namespace reconstruct {
namespace {

constexpr double kMinPage = 72;
constexpr double kMinText = 72;  // room the margins must leave for text
constexpr double kDefaultColumnGap = 18;
constexpr int kMaxColumns = 10;
// Room below the PDF's last line: a reader's font or line breaking a little off the PDF's would
// otherwise push a page's last lines onto a page of their own. Each PDF page ends in a break,
// so the room never pulls the next page's text up.
constexpr double kBottomSlack = 48;
// The same across: typesetters squeeze the spaces of a tight line, a word processor cannot, and
// a line the PDF fitted would otherwise lose its last word to a line of its own.
constexpr double kRightSlackShare = 0.02;

double Bounded(double value, double low, double high, double fallback) {
    return std::isfinite(value) ? std::clamp(value, low, high) : fallback;
}

// Margins that are not negative and leave room for text between them.
void FitMargins(double extent, double* first, double* second) {
    *first = Bounded(*first, 0, extent, 72);
    *second = Bounded(*second, 0, extent, 72);
    const double room = extent - kMinText;
    if (*first + *second > room) {
        const double scale = room / (*first + *second);
        *first *= scale;
        *second *= scale;
    }
}

std::string Length(const char* name, double points) {
    return std::string(" w:") + name + "=\"" + std::to_string(BoundedTwips(points)) + "\"";
}

// The part a section shows for one kind: blank, the page's own, or the document's for its side.
const std::string& PartFor(bool shows, const std::string& own, const std::string& blank,
                           const std::string& document, const std::string& even_document,
                           bool even_page) {
    if (!shows)
        return blank;
    if (!own.empty())
        return own;
    return even_page && !even_document.empty() ? even_document : document;
}

std::string ReferencesXml(const HeaderFooterIds& ids, const SectionLayout& layout) {
    std::string xml;
    const std::string& header = PartFor(layout.header, layout.own_header, ids.blank_header,
                                        ids.header, ids.even_header, layout.even_page);
    const std::string& footer = PartFor(layout.footer, layout.own_footer, ids.blank_footer,
                                        ids.footer, ids.even_footer, layout.even_page);
    if (!header.empty())
        xml += "<w:headerReference w:type=\"default\" r:id=\"" + header + "\"/>";
    if (!footer.empty())
        xml += "<w:footerReference w:type=\"default\" r:id=\"" + footer + "\"/>";
    return xml;
}

std::string PageNumbersXml(const SectionPageNumbers& numbers) {
    const char* format = numbers.style == PageNumberStyle::kLowerRoman   ? "lowerRoman"
                         : numbers.style == PageNumberStyle::kUpperRoman ? "upperRoman"
                                                                         : "decimal";
    std::string xml = std::string("<w:pgNumType w:fmt=\"") + format + "\"";
    if (numbers.start >= 0)
        xml += " w:start=\"" + std::to_string(numbers.start) + "\"";
    return xml + "/>";
}

}  // namespace

double SectionLayout::ColumnWidth() const {
    return (TextWidth() - column_gap * (columns - 1)) / columns;
}

bool SectionLayout::operator==(const SectionLayout& other) const {
    return width == other.width && height == other.height && margins.left == other.margins.left &&
           margins.top == other.margins.top && margins.right == other.margins.right &&
           margins.bottom == other.margins.bottom && columns == other.columns &&
           column_gap == other.column_gap && header == other.header && footer == other.footer &&
           own_header == other.own_header && own_footer == other.own_footer &&
           even_page == other.even_page;
}

SectionLayout PageSectionLayout(const Page& page) {
    SectionLayout layout;
    layout.width = Bounded(page.width, kMinPage, kWordMaxLength, 612);
    layout.height = Bounded(page.height, kMinPage, kWordMaxLength, 792);
    layout.margins = page.margins;
    layout.header = page.shows_header;
    layout.footer = page.shows_footer;
    FitMargins(layout.width, &layout.margins.left, &layout.margins.right);
    FitMargins(layout.height, &layout.margins.top, &layout.margins.bottom);
    layout.margins.bottom -= std::min(kBottomSlack, layout.margins.bottom / 2);
    layout.margins.right -=
        std::min(layout.TextWidth() * kRightSlackShare, layout.margins.right / 2);
    return layout;
}

SectionLayout BarePageLayout(const Page& page) {
    SectionLayout layout = PageSectionLayout(page);
    layout.margins = {0, 0, 0, 0};
    layout.header = false;
    layout.footer = false;
    return layout;
}

SectionLayout WithColumns(SectionLayout layout, int columns, double gap) {
    layout.columns = std::clamp(columns, 1, kMaxColumns);
    if (layout.columns == 1)
        return layout;
    layout.column_gap = Bounded(gap, 0, layout.TextWidth() / 2, kDefaultColumnGap);
    if (layout.column_gap <= 0)
        layout.column_gap = kDefaultColumnGap;
    // Columns narrower than an inch are not a layout Word can flow text into.
    while (layout.columns > 1 && layout.ColumnWidth() < kMinText)
        --layout.columns;
    if (layout.columns == 1)
        layout.column_gap = 0;
    return layout;
}

std::string SectionXml(const SectionLayout& layout, SectionStart start, const HeaderFooterIds& ids,
                       const std::optional<SectionPageNumbers>& numbers) {
    const Margins& m = layout.margins;
    std::string xml = "<w:sectPr>" + ReferencesXml(ids, layout) + "<w:type w:val=\"" +
                      (start == SectionStart::kContinuous ? "continuous" : "nextPage") +
                      "\"/><w:pgSz" + Length("w", layout.width) + Length("h", layout.height);
    if (layout.width > layout.height)
        xml += " w:orient=\"landscape\"";
    xml += "/><w:pgMar" + Length("top", m.top) + Length("right", m.right) +
           Length("bottom", m.bottom) + Length("left", m.left) +
           Length("header", std::min(36.0, m.top / 2)) +
           Length("footer", std::min(36.0, m.bottom / 2)) + " w:gutter=\"0\"/>";
    if (numbers)
        xml += PageNumbersXml(*numbers);
    if (layout.columns > 1)
        xml += "<w:cols w:num=\"" + std::to_string(layout.columns) + "\"" +
               Length("space", layout.column_gap) + "/>";
    else
        xml += "<w:cols w:space=\"720\"/>";
    return xml + "</w:sectPr>";
}

}  // namespace reconstruct
