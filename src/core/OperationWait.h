#pragma once

#include <chrono>
#include <cstdint>
#include <functional>

#include "tasks/ICvtTask.h"
#include "tasks/TaskResultSignal.h"

// How a composite task waits for the job of one operation object.
namespace operation_wait {

inline constexpr std::chrono::milliseconds kPollInterval{200};
// Picture jobs are short.
inline constexpr std::chrono::milliseconds kImagePollInterval{10};

// Submits the job with `submit`; when that fails the job has failed and nothing else is
// called. Otherwise, until the job ends: passes its progress to `on_progress` (when given),
// reads its result (above 0 success, 0 failure), waits up to `interval` for a result to come
// (`TaskResultSignal`), and when the task was cancelled meanwhile cancels the job and stops.
// Afterwards the job's error text becomes the task's. True on success.
//
// There is no time limit of its own: a job ends when its core sets a result or is gone, and
// the user's cancel ends the wait.
template <typename Operation>
bool RunOperation(Operation& operation, ICvtTask& task, const std::function<bool()>& submit,
                  std::chrono::milliseconds interval,
                  const std::function<void(int)>& on_progress = {}) {
    if (!submit())
        return false;
    bool succeeded = false;
    for (;;) {
        const std::uint64_t seen = TaskResultSignal().Generation();
        if (on_progress)
            on_progress(operation.GetProgress());
        const int result = operation.GetResult();
        if (result > 0) {
            succeeded = true;
            break;
        }
        if (result == 0)
            break;
        TaskResultSignal().WaitFor(seen, interval);
        if (task.IsCancelled()) {
            operation.Cancel();
            break;
        }
    }
    task.SetErrorMsg(operation.GetError());
    return succeeded;
}

}  // namespace operation_wait
