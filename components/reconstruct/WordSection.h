#pragma once

#include <optional>
#include <string>

#include "reconstruct/LayoutModel.h"

namespace reconstruct {

// The page setup of a run of Word content: page size, margins and text columns.
struct SectionLayout {
    double width = 612;  // points
    double height = 792;
    Margins margins;
    int columns = 1;
    double column_gap = 0;
    // The document's running header and footer, or blank ones: a scanned page shows neither.
    bool header = true;
    bool footer = true;
    // Relationship ids of the page's own header and footer parts; empty for the document's.
    std::string own_header;
    std::string own_footer;
    // A left-hand page of a document whose even pages have running parts of their own. Each
    // page of such a document is a section naming its side's parts: word processors agree on
    // what a section names, not on which pages count as even.
    bool even_page = false;

    double TextWidth() const { return width - margins.left - margins.right; }
    double TextHeight() const { return height - margins.top - margins.bottom; }
    double ColumnWidth() const;
    bool operator==(const SectionLayout& other) const;
};

enum class SectionStart { kNextPage, kContinuous };

// Relationship ids of the header and footer parts; empty when the document has none.
struct HeaderFooterIds {
    std::string header;
    std::string footer;
    std::string even_header;  // when even pages have their own
    std::string even_footer;
    std::string blank_header;
    std::string blank_footer;

    // Odd and even pages show different parts.
    bool Spreads() const { return !even_header.empty() || !even_footer.empty(); }
};

// The numbers a section's PAGE fields show; a `start` below 0 goes on from the section before.
struct SectionPageNumbers {
    PageNumberStyle style = PageNumberStyle::kDecimal;
    int start = -1;
};

// The page's size and margins within what Word can show, one column.
SectionLayout PageSectionLayout(const Page& page);
// The same page without margins and running text, for a page that is only its picture.
SectionLayout BarePageLayout(const Page& page);

// `layout` in `columns` text columns `gap` points apart, as many as fit.
SectionLayout WithColumns(SectionLayout layout, int columns, double gap);

// The w:sectPr ending a section with `layout` that starts as `start`.
std::string SectionXml(const SectionLayout& layout, SectionStart start, const HeaderFooterIds& ids,
                       const std::optional<SectionPageNumbers>& numbers = std::nullopt);

}  // namespace reconstruct
