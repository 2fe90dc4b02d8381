#pragma once

#include <chrono>
#include <condition_variable>
#include <deque>
#include <memory>
#include <mutex>
#include <thread>

#include "keasy/IFunc.h"

namespace keasy {

// One thread running posted callables one at a time, oldest first. Destroying the worker runs
// everything already queued, then ends the thread.
class WorkerThread {
public:
    WorkerThread() = default;
    ~WorkerThread();

    WorkerThread(const WorkerThread&) = delete;
    WorkerThread& operator=(const WorkerThread&) = delete;

    // Creates the thread. A second call creates nothing and returns true; false only when the
    // system refused the thread.
    bool Start();

    // Takes ownership; the callable is destroyed on the worker thread right after it ran. Work
    // posted before Start waits for it. Never blocks on running work.
    void Post(std::unique_ptr<IFunc> func);

    // Returns once nothing is queued or running, or at once when there is no live thread
    // (never started, or already ended). Not for callables of this worker: they would wait for
    // themselves.
    void WaitIdle();
    // As WaitIdle, bounded; false when the worker was still busy at the time-out.
    bool WaitIdleFor(std::chrono::milliseconds timeout);

private:
    void Run();
    bool IsIdle() const;  // caller holds mutex_

    std::mutex mutex_;                 // guards the members below except thread_
    std::condition_variable work_cv_;  // signalled under mutex_ on post and on stop
    std::condition_variable idle_cv_;  // signalled under mutex_ when IsIdle() may have become true
    std::deque<std::unique_ptr<IFunc>> queue_;  // guarded by mutex_
    bool busy_ = false;   // guarded by mutex_: a callable was taken and is not yet destroyed
    bool live_ = false;   // guarded by mutex_: the thread was created and has not left Run
    bool stop_ = false;   // guarded by mutex_: set once, by the destructor
    std::thread thread_;  // created by Start under mutex_; joined by the destructor
};

}  // namespace keasy
