#pragma once

#include <chrono>

#include "keasy/ThreadPool.h"

class ICvtTask;

// The process-wide runner of tasks: conversions on a pool of three workers (a fourth waits
// until one is free, in start order), file-information queries on a pool of six.
class KTaskCenter {
public:
    static constexpr int kConversionWorkers = 3;
    static constexpr int kInformationWorkers = 6;

    // Built and started on first use; lives until the process ends, because pool threads may
    // still be finishing tasks while static objects are destroyed.
    static KTaskCenter& Instance();
    // The center when something has used it, else null (shutdown must not build one).
    static KTaskCenter* Existing();

    KTaskCenter(const KTaskCenter&) = delete;
    KTaskCenter& operator=(const KTaskCenter&) = delete;

    // The posted callable: runs the task, then drops the run's reference.
    void Run(ICvtTask* task);

    // The caller already holds the run's reference (ICvtTask::Start takes it).
    void PostConversion(ICvtTask* task);
    // Takes the run's reference itself.
    void SubmitInformation(ICvtTask* task);

    // At shutdown: waits for the information pool, then for the conversion pool, together at
    // most `limit`. False when work was still running at the end; the windows cancel their
    // tasks before, so a long wait means a core that does not answer.
    bool WaitIdleFor(std::chrono::milliseconds limit);

private:
    KTaskCenter();

    keasy::ThreadPool conversion_pool_{kConversionWorkers};
    keasy::ThreadPool information_pool_{kInformationWorkers};
};
