#include "composite/KComplexPdfToCad.h"

KComplexPdfToCad::KComplexPdfToCad(Params params, quirekit::ICvtUpateProcess* progress,
                                   const CompositeServices* services)
    : KComplexTask(progress, services), params_(std::move(params)) {}

bool KComplexPdfToCad::Work() {
    const int page_count = GetPageCount();
    if (page_count <= 0) {
        MergeError(kNoPages, ErrorMerge::kAppend);
        return false;
    }
    OperationContext context = TaskContext();
    OnlineRequest request;
    request.kind = OnlineKind::kPdfToCad;
    request.source = params_.source;
    request.target = params_.target;
    request.page_count = page_count;
    if (!CanGoOnline(ErrorMerge::kReplace))
        return false;
    if (!context.password.empty()) {
        request.source = DecryptToTemp(context, request.source);
        if (request.source.empty())
            return false;
    }
    const int selected = GetSelectedPageCount();
    if (params_.cut_first || (selected > 0 && selected < page_count)) {
        for (int page = 1; context.pages.empty() && page <= page_count; ++page)
            context.pages.push_back(page);
        request.source = PickupToTemp(context, request.source);
        if (request.source.empty())
            return false;
        request.page_count = static_cast<int>(context.pages.size());
    }
    return FinalOnlineStep(context, request);
}
