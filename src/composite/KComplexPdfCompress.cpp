#include "composite/KComplexPdfCompress.h"

#include "app/AsynLog.h"
#include "composite/OutputNames.h"

namespace {

OperationRequest CompressRequest(std::string source, std::string target, int compress_type) {
    OperationRequest request =
        SourceToTarget(OperationKind::kCompress, std::move(source), std::move(target));
    request.compress_type = compress_type;
    return request;
}

}  // namespace

KComplexPdfCompress::KComplexPdfCompress(std::string source, std::string target, int compress_type,
                                         quirekit::ICvtUpateProcess* progress,
                                         const CompositeServices* services)
    : KComplexSingleStep(CompressRequest(std::move(source), std::move(target), compress_type),
                         Tool::kPage, progress, services) {}

bool KComplexPdfCompress::Work() {
    OperationContext context = TaskContext();
    if (Step(context, Request(), ErrorMerge::kKeep))
        return true;
    if (context.error_message != kNotSmaller || IsCancelled()) {
        MergeError(context.error_message, ErrorMerge::kAppend);
        return false;
    }
    keasy::AsynLog::Instance().Print("KComplexPdfCompress::Work not smaller, copy src:%ws",
                                     Request().source);
    std::string error;
    if (!output_names::CopyFileAtomically(Request().source, Request().target, &error)) {
        MergeError(error, ErrorMerge::kAppend);
        return false;
    }
    ReportProgress(100);
    return true;
}
