#pragma once

#include <functional>
#include <memory>
#include <string>

#include "composite/OperationRequest.h"
#include "core/KCompexGetInfo.h"

// One submitted job, polled by the composite task's thread only.
class IOperationJob {
public:
    virtual ~IOperationJob() = default;
    // Above 0 success, 0 failure, below 0 still running.
    virtual int Result() = 0;
    // 0..100, or -1 before the job has reported any.
    virtual int Progress() = 0;
    virtual std::string Error() = 0;
    // Asks the job to stop; its result then turns to failure.
    virtual void Cancel() = 0;
};

// Where composite tasks send their local jobs: the conversion cores in the program, a scripted
// stand-in in tests. The tasks' own logic is the same either way.
class IOperationBackend {
public:
    virtual ~IOperationBackend() = default;

    // Null when nothing could be submitted (an unknown document kind, a full folder), which
    // the task treats as a failed job without error text.
    virtual std::unique_ptr<IOperationJob> Submit(const OperationRequest& request) = 0;

    // Blocks until the facts of `path` are known or `cancelled` turns true; false when none
    // could be learned.
    virtual bool QueryFileInfo(const std::string& path, const std::function<bool()>& cancelled,
                               FileFacts* facts, std::string* error) = 0;
};
