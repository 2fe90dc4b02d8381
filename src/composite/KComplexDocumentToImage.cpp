#include "composite/KComplexDocumentToImage.h"

#include <algorithm>
#include <filesystem>

KComplexDocumentToImage::KComplexDocumentToImage(Params params,
                                                 quirekit::ICvtUpateProcess* progress,
                                                 const CompositeServices* services)
    : KComplexTask(progress, services), params_(std::move(params)) {}

bool KComplexDocumentToImage::Work() {
    // Without pages there is nothing to do; the task must still end, or its row would wait.
    if (SelectedPages().empty()) {
        MergeError(kNoPages, ErrorMerge::kAppend);
        return false;
    }
    // The pictures are named after the PDF they come from, so the PDF takes the document's name;
    // the task's own temporary folder keeps it apart from every other task's.
    const auto folder = TempFolder();
    if (!folder)
        return false;
    const std::string pdf =
        (*folder / (std::filesystem::path(params_.source).stem().string() + ".pdf")).string();
    OperationContext to_pdf = NewContext(1, 2);
    const int highest = *std::max_element(SelectedPages().begin(), SelectedPages().end());
    for (int page = 1; page <= highest; ++page)
        to_pdf.pages.push_back(page);
    SetValue("bLocal", 1);
    OperationRequest request;
    request.kind = OperationKind::kDocumentToPdf;
    request.source = params_.source;
    request.target = pdf;
    const bool converted = Step(to_pdf, request, ErrorMerge::kReplace);
    ResetPhaseTime();
    if (!converted)
        return false;
    TaskTempFolder::Restrict(pdf);

    FileFacts facts;
    if (!QueryFacts(to_pdf, pdf, &facts) || IsCancelled())
        return false;
    OperationContext to_images = NewContext(2, 2);
    to_images.password = Password();
    to_images.pages = PagesOfPdf(facts.page_count);
    if (to_images.pages.empty()) {
        MergeError(kNoPages, ErrorMerge::kAppend);
        return false;
    }
    request.kind = OperationKind::kPdfToImages;
    request.source = pdf;
    request.target = params_.output_folder;
    request.page_images = params_.images;
    return Step(to_images, request, ErrorMerge::kReplace);
}

std::vector<int> KComplexDocumentToImage::PagesOfPdf(int pdf_pages) const {
    const std::vector<int>& selected = SelectedPages();
    if (static_cast<int>(selected.size()) == pdf_pages)
        return selected;
    // A run from the first chosen page, as long as the shorter of the two counts, and never
    // past the PDF's last page.
    const int count = std::min(pdf_pages, static_cast<int>(selected.size()));
    std::vector<int> pages;
    for (int page = selected.front(); page < selected.front() + count && page <= pdf_pages; ++page)
        pages.push_back(page);
    return pages;
}
