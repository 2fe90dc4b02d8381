#pragma once

#include <chrono>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <vector>

#include "keasy/IFunc.h"
#include "keasy/WorkerThread.h"

namespace keasy {

// A fixed set of worker threads fed through one dispatching thread. Each posted callable goes,
// in posting order, to the idle worker with the lowest index; while none is idle the dispatcher
// waits and later posts queue behind it.
class ThreadPool {
public:
    static constexpr int kMaxWorkers = 64;

    // worker_count is clamped to 1..kMaxWorkers. Nothing runs before Start.
    explicit ThreadPool(int worker_count);
    // Waits for posted work (see WaitIdle), then stops the dispatcher and the workers in order.
    ~ThreadPool();

    ThreadPool(const ThreadPool&) = delete;
    ThreadPool& operator=(const ThreadPool&) = delete;

    // Starts the dispatcher, then the workers in index order, stopping at the first failure.
    // True when all are running; a second call starts only what is missing.
    bool Start();

    // Takes ownership; the callable is destroyed on the worker that ran it. Never blocks.
    void Post(std::unique_ptr<IFunc> func);

    // Returns once every callable posted before the call has run and been destroyed, and the
    // dispatcher and each worker have gone idle. Returns at once when the pool cannot dispatch
    // (not started, or none of its workers started). A callable of this pool must not call it:
    // it would wait for itself.
    void WaitIdle();
    // As WaitIdle, bounded; false when work was still pending at the time-out.
    bool WaitIdleFor(std::chrono::milliseconds timeout);

    int WorkerCount() const { return static_cast<int>(workers_.size()); }

    // Index of the pool worker running the calling thread's current callable, -1 elsewhere.
    static int CurrentWorkerIndex();

private:
    class DispatchCall;
    class WorkerCall;
    enum class WorkerState { kNotStarted, kFree, kBusy };

    void Dispatch(std::unique_ptr<IFunc> func);
    void Finish(int index);
    void Drop(std::unique_ptr<IFunc> func);
    int LowestFreeWorker() const;  // caller holds mutex_
    bool IsSettled() const;        // caller holds mutex_

    // Built by the constructor and stopped one by one by the destructor; nobody else changes
    // the pointers. The dispatcher thread is the only poster to the workers.
    std::unique_ptr<WorkerThread> dispatcher_;
    std::vector<std::unique_ptr<WorkerThread>> workers_;

    mutable std::mutex mutex_;                // guards the members below
    std::condition_variable worker_free_cv_;  // signalled under mutex_ when a worker frees up
                                              // or the pool starts stopping
    std::condition_variable settled_cv_;      // signalled under mutex_ when pending_ drops to 0
    std::vector<WorkerState> worker_states_;  // guarded by mutex_
    // Guarded by mutex_: callables posted and not yet destroyed. Raised by Post before the
    // dispatcher sees the callable and lowered only after it was destroyed, so no hand-over
    // between dispatcher and worker can make the pool look settled early.
    int pending_ = 0;
    bool can_dispatch_ = false;  // guarded by mutex_: dispatcher and at least one worker run
    bool stopping_ = false;      // guarded by mutex_: set by the destructor
};

}  // namespace keasy
