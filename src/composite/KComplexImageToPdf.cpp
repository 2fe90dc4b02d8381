#include "composite/KComplexImageToPdf.h"

KComplexImageToPdf::KComplexImageToPdf(Params params, quirekit::ICvtUpateProcess* progress,
                                       const CompositeServices* services)
    : KComplexTask(progress, services), params_(std::move(params)) {}

std::string KComplexImageToPdf::GetSourcePath() {
    return params_.images.empty() ? std::string() : params_.images.front();
}

bool KComplexImageToPdf::Work() {
    OperationContext context = NewContext();
    OperationRequest request;
    request.kind = OperationKind::kImagesToPdf;
    request.target = params_.target;
    request.files = params_.images;
    request.image_pages = params_.pages;
    const bool succeeded = Step(context, request, ErrorMerge::kReplace);
    SetErrorCode(context.error_code);
    return succeeded;
}
