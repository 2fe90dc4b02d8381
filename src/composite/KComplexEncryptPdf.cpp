#include "composite/KComplexEncryptPdf.h"

KComplexEncryptPdf::KComplexEncryptPdf(std::string source, std::string target,
                                       std::string new_password,
                                       quirekit::ICvtUpateProcess* progress,
                                       const CompositeServices* services)
    : KComplexSingleStep(
          SourceToTarget(OperationKind::kEncrypt, std::move(source), std::move(target)),
          Tool::kPage, progress, services),
      new_password_(std::move(new_password)) {}

bool KComplexEncryptPdf::Work() {
    OperationContext context = TaskContext();
    OperationRequest request = Request();
    if (!context.password.empty() && context.password != new_password_) {
        request.source = DecryptToTemp(context, request.source);
        if (request.source.empty())
            return false;
    }
    context.password = new_password_;
    return Step(context, request, ErrorMerge::kAppend);
}
