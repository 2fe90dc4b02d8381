#include "composite/KComplexPdfToImgPdf.h"

#include "app/AsynLog.h"

KComplexPdfToImgPdf::KComplexPdfToImgPdf(Params params, quirekit::ICvtUpateProcess* progress,
                                         const CompositeServices* services)
    : KComplexPdfToImgPdf(std::move(params), OperationKind::kPdfToImagePdf, progress, services) {}

KComplexPdfToImgPdf::KComplexPdfToImgPdf(Params params, OperationKind final_step,
                                         quirekit::ICvtUpateProcess* progress,
                                         const CompositeServices* services)
    : KComplexTask(progress, services), params_(std::move(params)), final_step_(final_step) {}

bool KComplexPdfToImgPdf::Work() {
    const int page_count = GetPageCount();
    if (page_count <= 0) {
        keasy::AsynLog::Instance().Print("KComplexPdfToImgPdf::Work no page count, src:%ws",
                                         params_.source);
        MergeError(kNoPages, ErrorMerge::kAppend);
        return false;
    }
    OperationContext context = NewContext();
    context.password = Password();
    for (int page = 1; page <= page_count; ++page)
        context.pages.push_back(page);
    OperationRequest request;
    request.kind = final_step_;
    request.source = params_.source;
    request.target = params_.target;
    if (!context.password.empty()) {
        request.source = DecryptToTemp(context, request.source);
        if (request.source.empty())
            return false;
    }
    return Step(context, request, ErrorMerge::kReplace);
}
