#include "composite/KComplexDocumentToPdf.h"

KComplexDocumentToPdf::KComplexDocumentToPdf(Params params, quirekit::ICvtUpateProcess* progress,
                                             const CompositeServices* services)
    : KComplexTask(progress, services), params_(std::move(params)) {}

bool KComplexDocumentToPdf::Work() {
    OperationContext context = NewContext();
    context.pages = SelectedPages();
    if (!params_.prefer_online) {
        SetValue("bLocal", 1);
        OperationRequest request;
        request.kind = OperationKind::kDocumentToPdf;
        request.source = params_.source;
        request.target = params_.target;
        if (Step(context, request, ErrorMerge::kReplace))
            return true;
        if (IsCancelled())
            return false;
        ResetPhaseTime();
        SetValue("bLocal", 0);
    }
    if (!CanGoOnline(ErrorMerge::kAppend))
        return false;
    return ConvertOnline(context);
}

bool KComplexDocumentToPdf::ConvertOnline(OperationContext& context) {
    const int page_count = GetPageCount();
    const int selected = GetSelectedPageCount();
    OnlineRequest online;
    online.kind = OnlineKind::kDocumentToPdf;
    online.source = params_.source;
    online.target = params_.target;
    online.page_count = page_count;
    if (page_count < 1 || selected == 0 || selected >= page_count)
        return OnlineStep(context, online, ErrorMerge::kAppend);

    // The service converts whole documents; the chosen pages are cut out of its result here.
    online.target = TempPdfPath(params_.source);
    if (online.target.empty() || !OnlineStep(context, online, ErrorMerge::kAppend) || IsCancelled())
        return false;
    TaskTempFolder::Restrict(online.target);
    OperationRequest pickup;
    pickup.kind = OperationKind::kPickupPages;
    pickup.source = online.target;
    pickup.target = params_.target;
    return Step(context, pickup, ErrorMerge::kAppend);
}
