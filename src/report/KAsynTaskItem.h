#pragma once

#include <chrono>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <thread>

#include "keasy/IFunc.h"

namespace report {

// One handed-over object and the thread that runs it. The thread owns the object and the
// finished flag, so the item can go away while the thread still runs: it then lets the thread
// go instead of freeing anything under it.
class KAsynTaskItem {
public:
    using Clock = std::chrono::steady_clock;

    // Starts the thread that runs `task` once and destroys it on that thread. Nullptr (with
    // `task` destroyed unrun) when the system refused the thread.
    static std::unique_ptr<KAsynTaskItem> Start(std::unique_ptr<keasy::IFunc> task);

    // Joins a finished thread; detaches one that still runs.
    ~KAsynTaskItem();
    KAsynTaskItem(const KAsynTaskItem&) = delete;
    KAsynTaskItem& operator=(const KAsynTaskItem&) = delete;

    bool IsFinished() const;
    // True when the work finished by `deadline`.
    bool WaitFinishedUntil(Clock::time_point deadline) const;

private:
    struct State {
        mutable std::mutex mutex;
        mutable std::condition_variable finished_cv;  // signalled under mutex when finished
        bool finished = false;                        // guarded by mutex
    };

    KAsynTaskItem() = default;

    std::shared_ptr<State> state_;  // shared with the thread
    std::thread thread_;            // touched only by the owner of the item
};

}  // namespace report
