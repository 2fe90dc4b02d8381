#include "composite/KComplexSingleStep.h"

KComplexSingleStep::KComplexSingleStep(OperationRequest request, Tool tool,
                                       quirekit::ICvtUpateProcess* progress,
                                       const CompositeServices* services)
    : KComplexTask(progress, services), request_(std::move(request)), tool_(tool) {}

bool KComplexSingleStep::Work() {
    OperationContext context = TaskContext();
    if (tool_ == Tool::kPage)
        return Step(context, request_, ErrorMerge::kAppend);
    const bool succeeded = Step(context, request_, ErrorMerge::kReplace);
    SetErrorCode(context.error_code);
    return succeeded;
}

OperationRequest SourceToTarget(OperationKind kind, std::string source, std::string target) {
    OperationRequest request;
    request.kind = kind;
    request.source = std::move(source);
    request.target = std::move(target);
    return request;
}
