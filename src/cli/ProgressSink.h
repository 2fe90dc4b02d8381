#pragma once

#include <atomic>

#include "tasks/ICvtUpateProcess.h"

namespace cli {

// The progress of one running task, as its row would show it: stored on the task's pool
// thread, read by the batch loop.
class ProgressSink : public quirekit::ICvtUpateProcess {
public:
    void UpdateProcess(int percent) override;
    // 0..100, or -1 before the task reported any.
    int Percent() const { return percent_.load(); }

private:
    std::atomic<int> percent_{-1};  // written by the pool thread, read by the batch loop
};

}  // namespace cli
