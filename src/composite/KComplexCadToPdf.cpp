#include "composite/KComplexCadToPdf.h"

KComplexCadToPdf::KComplexCadToPdf(Params params, quirekit::ICvtUpateProcess* progress,
                                   const CompositeServices* services)
    : KComplexTask(progress, services), params_(std::move(params)) {}

bool KComplexCadToPdf::Work() {
    OperationContext context = NewContext();
    OnlineRequest request;
    request.kind = OnlineKind::kCadToPdf;
    request.source = params_.source;
    request.target = params_.target;
    request.option = params_.option;
    return FinalOnlineStep(context, request);
}
