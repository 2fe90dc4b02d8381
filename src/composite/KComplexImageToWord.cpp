#include "composite/KComplexImageToWord.h"

KComplexImageToWord::KComplexImageToWord(Params params, quirekit::ICvtUpateProcess* progress,
                                         const CompositeServices* services)
    : KComplexTask(progress, services), params_(std::move(params)) {}

bool KComplexImageToWord::Work() {
    OperationContext context = NewContext();
    OnlineRequest request;
    request.kind = OnlineKind::kImageToWord;
    request.source = params_.source;
    request.target = params_.target;
    return FinalOnlineStep(context, request);
}
