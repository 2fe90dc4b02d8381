#include "convcore/PageToolPdf.h"

#include <qpdf/QPDFExc.hh>
#include <qpdf/QPDFPageDocumentHelper.hh>
#include <qpdf/QPDFPageLabelDocumentHelper.hh>
#include <qpdf/QPDFPageObjectHelper.hh>

#include <filesystem>
#include <set>
#include <system_error>

namespace convcore {
namespace {

// True when two pages, or a page and its /Pages ancestors, share resources: then each page
// references more than it draws.
bool SharesResources(const SourcePdf& source) {
    if (source.pages.size() < 2)
        return false;
    std::set<QPDFObjGen> seen;
    for (QPDFObjectHandle page : source.pages) {
        if (!page.hasKey("/Resources"))
            return true;  // inherited from the page tree
        QPDFObjectHandle resources = page.getKey("/Resources");
        if (resources.isIndirect() && !seen.insert(resources.getObjGen()).second)
            return true;
        if (!resources.isDictionary())
            continue;
        QPDFObjectHandle xobjects = resources.getKey("/XObject");
        if (xobjects.isIndirect() && !seen.insert(xobjects.getObjGen()).second)
            return true;
    }
    return false;
}

// The label of a run of pages from a document without labels: their plain page numbers.
void AppendPlainLabel(long long new_index, int first_page_index,
                      std::vector<QPDFObjectHandle>* nums) {
    QPDFObjectHandle label = QPDFObjectHandle::newDictionary();
    label.replaceKey("/S", QPDFObjectHandle::newName("/D"));
    label.replaceKey("/St", QPDFObjectHandle::newInteger(first_page_index + 1));
    nums->push_back(QPDFObjectHandle::newInteger(new_index));
    nums->push_back(label);
}

// The /Nums entries that label pages `order` of `pdf` once they are the pages from
// `first_index` on in a new sequence. Runs of consecutive pages keep their original numbering.
std::vector<QPDFObjectHandle> LabelsFor(QPDF& pdf, const std::vector<int>& order,
                                        long long first_index) {
    QPDFPageLabelDocumentHelper labels(pdf);
    // qpdf's range labelling dereferences the label tree even when there is none.
    const bool labelled = labels.hasPageLabels();
    std::vector<QPDFObjectHandle> nums;
    for (std::size_t run_start = 0; run_start < order.size();) {
        std::size_t run_end = run_start;
        while (run_end + 1 < order.size() && order[run_end + 1] == order[run_end] + 1)
            ++run_end;
        const long long new_index = first_index + static_cast<long long>(run_start);
        if (labelled)
            labels.getLabelsForPageRange(order[run_start], order[run_end], new_index, nums);
        else
            AppendPlainLabel(new_index, order[run_start], &nums);
        run_start = run_end + 1;
    }
    return nums;
}

void SetPageLabels(QPDF& pdf, const std::vector<QPDFObjectHandle>& nums) {
    QPDFObjectHandle tree = QPDFObjectHandle::newDictionary();
    tree.replaceKey("/Nums", QPDFObjectHandle::newArray(nums));
    pdf.getRoot().replaceKey("/PageLabels", tree);
}

}  // namespace

std::unique_ptr<SourcePdf> OpenSourcePdf(const std::string& path, const std::string& password,
                                         std::string* error) {
    std::error_code failure;
    if (path.empty() || !std::filesystem::is_regular_file(path, failure)) {
        *error = "file not found: " + path;
        return nullptr;
    }
    auto source = std::make_unique<SourcePdf>();
    source->path = path;
    source->pdf = std::make_unique<QPDF>();
    // Damage qpdf repairs is no reason to stop; its warnings would only clutter the log.
    source->pdf->setSuppressWarnings(true);
    try {
        source->pdf->processFile(path.c_str(), password.empty() ? nullptr : password.c_str());
        source->pages = source->pdf->getAllPages();
    } catch (const QPDFExc& exception) {
        if (exception.getErrorCode() == qpdf_e_password) {
            *error = (password.empty() ? "Invalid password: a password is needed to open "
                                       : "Invalid password: the password does not open ") +
                     path;
        } else {
            *error = "cannot read the PDF: " + std::string(exception.what());
        }
        return nullptr;
    } catch (const std::exception& exception) {
        *error = "cannot read the PDF " + path + ": " + exception.what();
        return nullptr;
    }
    if (source->pages.empty()) {
        *error = "the PDF has no pages: " + path;
        return nullptr;
    }
    return source;
}

bool TrimUnusedResources(SourcePdf& source, const std::vector<int>& pages, bool always,
                         const std::function<bool()>& cancelled) {
    if (!always && !SharesResources(source))
        return true;
    source.pdf->pushInheritedAttributesToPage();
    std::set<int> trimmed;
    for (const int index : pages) {
        if (!trimmed.insert(index).second)
            continue;
        if (cancelled())
            return false;
        try {
            QPDFPageObjectHelper(source.pages[static_cast<std::size_t>(index)])
                .removeUnreferencedResources();
        } catch (const std::exception&) {
            // Contents that cannot be parsed keep all their resources: larger, still correct.
        }
    }
    return true;
}

void KeepPagesInPlace(SourcePdf& source, const std::vector<int>& order) {
    QPDF& pdf = *source.pdf;
    const bool labelled = QPDFPageLabelDocumentHelper(pdf).hasPageLabels();
    const std::vector<QPDFObjectHandle> labels =
        labelled ? LabelsFor(pdf, order, 0) : std::vector<QPDFObjectHandle>();
    // With inherited attributes on the pages themselves, the page tree can be replaced by one
    // flat list; rebuilding it at once stays linear where removing pages one by one is not.
    pdf.pushInheritedAttributesToPage();
    QPDFObjectHandle tree = pdf.getRoot().getKey("/Pages");
    QPDFObjectHandle kids = QPDFObjectHandle::newArray();
    std::set<QPDFObjGen> placed;
    for (const int index : order) {
        QPDFObjectHandle page = source.pages[static_cast<std::size_t>(index)];
        // A page object may appear in the tree only once; a repeated page is a copy sharing
        // its contents and resources.
        if (!placed.insert(page.getObjGen()).second)
            page = pdf.makeIndirectObject(page.shallowCopy());
        page.replaceKey("/Parent", tree);
        kids.appendItem(page);
    }
    tree.replaceKey("/Kids", kids);
    tree.replaceKey("/Count", QPDFObjectHandle::newInteger(static_cast<long long>(order.size())));
    pdf.updateAllPagesCache();
    for (const QPDFObjectHandle& page : source.pages) {
        if (placed.count(page.getObjGen()) == 0)
            pdf.replaceObject(page.getObjGen(), QPDFObjectHandle::newNull());
    }
    if (labelled)
        SetPageLabels(pdf, labels);
    source.pages = pdf.getAllPages();
}

PdfAssembly::PdfAssembly() : pdf_(std::make_unique<QPDF>()) {
    pdf_->setSuppressWarnings(true);
    pdf_->emptyPDF();
}

void PdfAssembly::Append(SourcePdf& source, const std::vector<int>& order) {
    if (QPDFPageLabelDocumentHelper(*source.pdf).hasPageLabels())
        any_labels_ = true;
    // Sources without labels get plain numbers, so a labelled part later on does not
    // renumber the pages before it.
    for (QPDFObjectHandle entry : LabelsFor(*source.pdf, order, page_count_)) {
        if (entry.isDictionary())
            entry = pdf_->copyForeignObject(source.pdf->makeIndirectObject(entry.shallowCopy()));
        labels_.push_back(entry);
    }
    QPDFPageDocumentHelper pages(*pdf_);
    for (const int index : order)
        pages.addPage(QPDFPageObjectHelper(source.pages[static_cast<std::size_t>(index)]), false);
    page_count_ += static_cast<long long>(order.size());
}

void PdfAssembly::TakeInformationFrom(SourcePdf& source) {
    QPDFObjectHandle info = source.pdf->getTrailer().getKey("/Info");
    if (!info.isDictionary())
        return;
    if (!info.isIndirect())
        info = source.pdf->makeIndirectObject(info.shallowCopy());
    pdf_->getTrailer().replaceKey("/Info", pdf_->copyForeignObject(info));
}

void PdfAssembly::Finish() {
    if (any_labels_)
        SetPageLabels(*pdf_, labels_);
}

}  // namespace convcore
