#pragma once

#include <functional>
#include <string>

#include "composite/CompositeServices.h"
#include "composite/IOnlineConverter.h"
#include "composite/OperationContext.h"
#include "composite/OperationRequest.h"
#include "core/KCompexGetInfo.h"

// Runs one operation of a composite task to its end on the task's thread: submits it, polls
// it, passes its progress on, cancels it when the task is cancelled, and leaves its error text
// in the context. Holds no lock while it sleeps.
class OperationRunner {
public:
    using ProgressSink = std::function<void(int percent)>;

    OperationRunner(const CompositeServices& services, ProgressSink progress);

    // A local job. The context's password (when set) and, for operations that work on pages,
    // its pages go into the request. True when the job succeeded.
    bool Run(OperationContext& context, OperationRequest request);
    // A job of the online service; also stores the service's code in the context.
    bool RunOnline(OperationContext& context, const OnlineRequest& request);
    // The facts of a document; no progress, no time limit, ends early when the task is
    // cancelled. True when the page count is known.
    bool QueryFileInfo(OperationContext& context, const std::string& path, FileFacts* facts);

    // Step index i of n shares the bar as (100 / n) * (i - 1) + p / n, p clamped below at 0.
    static int ScaledProgress(const OperationContext& context, int progress);

private:
    enum class ProgressMode { kNone, kUnscaled, kScaled };

    static ProgressMode ProgressOf(OperationKind kind);
    static bool WorksOnPages(OperationKind kind);
    bool Poll(OperationContext& context, IOperationJob& job, ProgressMode mode,
              std::chrono::milliseconds interval);

    const CompositeServices& services_;
    ProgressSink progress_;
};
