#pragma once

#include <chrono>
#include <functional>
#include <memory>
#include <vector>

#include "cli/FunctionTable.h"
#include "cli/PlannedJob.h"
#include "cli/ProgressView.h"

namespace cli {

// Runs a planned batch on the task center as a function window does: starts every task,
// polls them, shows their progress and reports each outcome. A termination signal cancels
// them all and waits, bounded, for them to end; a second one stops waiting.
class BatchRunner {
public:
    // A termination signal that came since the last call, or 0; never waits.
    using SignalCheck = std::function<int()>;

    // A cancelled core stops within 10 s, or is abandoned by its process; this leaves room for
    // that and for the tasks still queued, which end at once once cancelled.
    static constexpr auto kCancelLimit = std::chrono::seconds(20);
    static constexpr auto kPollInterval = std::chrono::milliseconds(100);

    struct Summary {
        int succeeded = 0;
        int failed = 0;            // refused, failed and cancelled files
        bool interrupted = false;  // a termination signal came
        bool unfinished = false;   // some task was still running at the end
    };

    BatchRunner(const CliFunction& function, ProgressView& view, SignalCheck take_signal);

    Summary Run(std::vector<std::unique_ptr<PlannedJob>>& jobs);

private:
    struct Entry {
        PlannedJob* job;
        bool shown_started = false;
        bool done = false;
    };

    // False while the task still runs.
    bool Poll(Entry& entry);
    void Report(PlannedJob& job);
    void CancelAll(std::vector<Entry>& entries);
    void ShowBars(const std::vector<Entry>& entries);

    const CliFunction& function_;
    ProgressView& view_;
    SignalCheck take_signal_;
    Summary summary_;
};

}  // namespace cli
