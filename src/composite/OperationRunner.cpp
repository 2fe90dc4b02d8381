#include "composite/OperationRunner.h"

#include <algorithm>
#include <cstdint>

#include "app/AsynLog.h"
#include "composite/IOperationBackend.h"
#include "tasks/ICvtTask.h"
#include "tasks/TaskResultSignal.h"

namespace {

keasy::AsynLog& Log() {
    return keasy::AsynLog::Instance();
}

bool IsImageTool(OperationKind kind) {
    return kind == OperationKind::kImageResize || kind == OperationKind::kImageCompress ||
           kind == OperationKind::kImageReformat;
}

bool Cancelled(const OperationContext& context) {
    return context.task && context.task->IsCancelled();
}

}  // namespace

OperationRunner::OperationRunner(const CompositeServices& services, ProgressSink progress)
    : services_(services), progress_(std::move(progress)) {}

int OperationRunner::ScaledProgress(const OperationContext& context, int progress) {
    const int count = std::max(context.step_count, 1);
    return (100 / count) * (context.step_index - 1) + std::max(progress, 0) / count;
}

OperationRunner::ProgressMode OperationRunner::ProgressOf(OperationKind kind) {
    switch (kind) {
        case OperationKind::kPdfToImages:
        case OperationKind::kDocumentToPdf:
            return ProgressMode::kScaled;
        case OperationKind::kPdfToDocument:
        case OperationKind::kPdfToImagePdf:
        case OperationKind::kPdfToCurve:
        case OperationKind::kImagesToPdf:
        case OperationKind::kCompress:
            return ProgressMode::kUnscaled;
        default:
            return ProgressMode::kNone;
    }
}

bool OperationRunner::WorksOnPages(OperationKind kind) {
    switch (kind) {
        case OperationKind::kSplit:
        case OperationKind::kMerge:
        case OperationKind::kMergeFiles:
        case OperationKind::kImagesToPdf:
            return false;
        default:
            return !IsImageTool(kind);
    }
}

bool OperationRunner::Run(OperationContext& context, OperationRequest request) {
    if (!context.password.empty())
        request.password = context.password;
    if (WorksOnPages(request.kind))
        request.pages = context.pages;
    context.error_message.clear();
    std::unique_ptr<IOperationJob> job = services_.operations->Submit(request);
    if (!job)
        return false;
    const auto interval =
        IsImageTool(request.kind) ? services_.image_poll : services_.document_poll;
    const bool succeeded = Poll(context, *job, ProgressOf(request.kind), interval);
    if (!succeeded)
        Log().Print("OperationRunner::Run fail op:%s, error:%s", OperationName(request.kind),
                    context.error_message);
    return succeeded;
}

bool OperationRunner::RunOnline(OperationContext& context, const OnlineRequest& request) {
    context.error_message.clear();
    if (!services_.online) {
        context.error_message = kOnlineNotSetUp;
        Log().Print("OperationRunner::RunOnline no online converter, src:%ws", request.source);
        return false;
    }
    std::unique_ptr<IOnlineJob> job = services_.online->Submit(request);
    if (!job)
        return false;
    const bool succeeded = Poll(context, *job, ProgressMode::kNone, services_.document_poll);
    context.error_code = job->ServiceErrorCode();
    return succeeded;
}

bool OperationRunner::QueryFileInfo(OperationContext& context, const std::string& path,
                                    FileFacts* facts) {
    context.error_message.clear();
    services_.operations->QueryFileInfo(
        path, [&context] { return Cancelled(context); }, facts, &context.error_message);
    return facts->page_count > 0 && !Cancelled(context);
}

bool OperationRunner::Poll(OperationContext& context, IOperationJob& job, ProgressMode mode,
                           std::chrono::milliseconds interval) {
    bool succeeded = false;
    for (;;) {
        const std::uint64_t seen = TaskResultSignal().Generation();
        if (mode == ProgressMode::kScaled)
            progress_(ScaledProgress(context, job.Progress()));
        else if (mode == ProgressMode::kUnscaled)
            progress_(std::clamp(job.Progress(), 0, 100));
        const int result = job.Result();
        if (result >= 0) {
            succeeded = result > 0;
            break;
        }
        TaskResultSignal().WaitFor(seen, interval);
        if (Cancelled(context)) {
            job.Cancel();
            break;
        }
    }
    context.error_message = job.Error();
    return succeeded;
}
