#pragma once

#include <qpdf/QPDF.hh>
#include <qpdf/QPDFObjectHandle.hh>

#include <functional>
#include <memory>
#include <string>
#include <vector>

// Page work on PDF documents for the page tools: opening a source, choosing and reordering its
// pages in place, and assembling new documents out of the pages of others.
namespace convcore {

// A document opened for page work, with its pages in the order they had when it was opened.
struct SourcePdf {
    std::string path;
    std::unique_ptr<QPDF> pdf;
    std::vector<QPDFObjectHandle> pages;

    int PageCount() const { return static_cast<int>(pages.size()); }
};

// Opens `path`, with `password` when it is not empty. Null with the reason otherwise: a missing
// file, a document that cannot be read or has no pages, and a missing or wrong password, whose
// text starts with "Invalid password" because the program shows those as a password problem.
std::unique_ptr<SourcePdf> OpenSourcePdf(const std::string& path, const std::string& password,
                                         std::string* error);

// Files that share one resource dictionary among many pages (common in scans) would carry
// every page's images into each page taken out of them; this drops, from the pages listed
// (0-based), the resources their contents do not use. Only done when resources are shared,
// because reading every content stream costs time; `always` does it regardless.
// False when `cancelled` said so.
bool TrimUnusedResources(SourcePdf& source, const std::vector<int>& pages, bool always,
                         const std::function<bool()>& cancelled);

// Makes the document's pages exactly `order` (0-based indexes, repeats allowed), in that
// order. Pages left out are removed from the file, also where outlines or links still point
// at them, so that their contents are not written.
void KeepPagesInPlace(SourcePdf& source, const std::vector<int>& order);

// A new document built from pages of other documents.
class PdfAssembly {
public:
    PdfAssembly();

    // Appends `order` (0-based indexes) of `source`'s pages. `source` must outlive the writing
    // of this document: page contents are read from its file then.
    void Append(SourcePdf& source, const std::vector<int>& order);
    // Takes title, author and the other document information of `source`.
    void TakeInformationFrom(SourcePdf& source);
    // Completes the page labels; call once after the last Append.
    void Finish();

    QPDF& Pdf() { return *pdf_; }

private:
    std::unique_ptr<QPDF> pdf_;
    std::vector<QPDFObjectHandle> labels_;  // the /Nums of the page labels built so far
    bool any_labels_ = false;
    long long page_count_ = 0;
};

}  // namespace convcore
