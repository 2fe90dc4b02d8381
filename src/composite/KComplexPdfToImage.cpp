#include "composite/KComplexPdfToImage.h"

KComplexPdfToImage::KComplexPdfToImage(Params params, quirekit::ICvtUpateProcess* progress,
                                       const CompositeServices* services)
    : KComplexTask(progress, services), params_(std::move(params)) {}

bool KComplexPdfToImage::Work() {
    OperationContext context = TaskContext();
    OperationRequest request;
    request.kind = OperationKind::kPdfToImages;
    request.source = params_.source;
    request.target = params_.output_folder;
    request.page_images = params_.images;
    const bool succeeded = Step(context, request, ErrorMerge::kReplace);
    SetErrorCode(context.error_code);
    return succeeded;
}
