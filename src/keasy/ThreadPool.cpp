#include "keasy/ThreadPool.h"

#include <algorithm>
#include <utility>

namespace keasy {
namespace {

thread_local int t_current_worker_index = -1;  // owned by its thread

std::chrono::milliseconds Remaining(std::chrono::steady_clock::time_point deadline) {
    auto left =
        std::chrono::ceil<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
    return std::max(left, std::chrono::milliseconds::zero());
}

}  // namespace

// Runs on the dispatcher thread, one at a time, in posting order.
class ThreadPool::DispatchCall final : public IFunc {
public:
    DispatchCall(ThreadPool* pool, std::unique_ptr<IFunc> func)
        : pool_(pool), func_(std::move(func)) {}

    void Invoke() override { pool_->Dispatch(std::move(func_)); }

private:
    ThreadPool* pool_;
    std::unique_ptr<IFunc> func_;
};

// Runs on the chosen worker. The worker stays reserved until the callable is destroyed.
class ThreadPool::WorkerCall final : public IFunc {
public:
    WorkerCall(ThreadPool* pool, int index, std::unique_ptr<IFunc> func)
        : pool_(pool), index_(index), func_(std::move(func)) {}

    void Invoke() override {
        t_current_worker_index = index_;
        func_->Invoke();
        func_.reset();
        t_current_worker_index = -1;
        pool_->Finish(index_);
    }

private:
    ThreadPool* pool_;
    int index_;
    std::unique_ptr<IFunc> func_;
};

ThreadPool::ThreadPool(int worker_count)
    : dispatcher_(std::make_unique<WorkerThread>()),
      worker_states_(std::clamp(worker_count, 1, kMaxWorkers), WorkerState::kNotStarted) {
    workers_.reserve(worker_states_.size());
    for (size_t i = 0; i < worker_states_.size(); ++i)
        workers_.push_back(std::make_unique<WorkerThread>());
}

ThreadPool::~ThreadPool() {
    WaitIdle();
    {
        std::lock_guard lock(mutex_);
        stopping_ = true;
        worker_free_cv_.notify_all();
    }
    dispatcher_.reset();
    for (auto& worker : workers_)
        worker.reset();
}

bool ThreadPool::Start() {
    if (!dispatcher_->Start())
        return false;
    std::lock_guard lock(mutex_);
    bool all_started = true;
    for (size_t i = 0; i < workers_.size(); ++i) {
        if (worker_states_[i] != WorkerState::kNotStarted)
            continue;
        if (!workers_[i]->Start()) {
            all_started = false;
            break;
        }
        worker_states_[i] = WorkerState::kFree;
        can_dispatch_ = true;
    }
    worker_free_cv_.notify_all();
    return all_started;
}

void ThreadPool::Post(std::unique_ptr<IFunc> func) {
    if (!func)
        return;
    {
        std::lock_guard lock(mutex_);
        ++pending_;
    }
    dispatcher_->Post(std::make_unique<DispatchCall>(this, std::move(func)));
}

void ThreadPool::WaitIdle() {
    {
        std::unique_lock lock(mutex_);
        settled_cv_.wait(lock, [this] { return IsSettled(); });
    }
    dispatcher_->WaitIdle();
    for (auto& worker : workers_)
        worker->WaitIdle();
}

bool ThreadPool::WaitIdleFor(std::chrono::milliseconds timeout) {
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    {
        std::unique_lock lock(mutex_);
        if (!settled_cv_.wait_until(lock, deadline, [this] { return IsSettled(); }))
            return false;
    }
    if (!dispatcher_->WaitIdleFor(Remaining(deadline)))
        return false;
    for (auto& worker : workers_) {
        if (!worker->WaitIdleFor(Remaining(deadline)))
            return false;
    }
    return true;
}

int ThreadPool::CurrentWorkerIndex() {
    return t_current_worker_index;
}

// The worker is marked busy before the lock is released, so the next dispatch cannot pick it
// even though its own queue is still empty at that moment.
void ThreadPool::Dispatch(std::unique_ptr<IFunc> func) {
    int index = -1;
    {
        std::unique_lock lock(mutex_);
        worker_free_cv_.wait(lock, [&] {
            index = LowestFreeWorker();
            return index >= 0 || stopping_;
        });
        if (index >= 0)
            worker_states_[index] = WorkerState::kBusy;
    }
    // Only a pool being destroyed without a running worker gets here: nothing could ever run
    // the callable.
    if (index < 0) {
        Drop(std::move(func));
        return;
    }
    workers_[index]->Post(std::make_unique<WorkerCall>(this, index, std::move(func)));
}

void ThreadPool::Finish(int index) {
    std::lock_guard lock(mutex_);
    worker_states_[index] = WorkerState::kFree;
    worker_free_cv_.notify_all();
    if (--pending_ == 0)
        settled_cv_.notify_all();
}

void ThreadPool::Drop(std::unique_ptr<IFunc> func) {
    func.reset();
    std::lock_guard lock(mutex_);
    if (--pending_ == 0)
        settled_cv_.notify_all();
}

int ThreadPool::LowestFreeWorker() const {
    auto it = std::find(worker_states_.begin(), worker_states_.end(), WorkerState::kFree);
    if (it == worker_states_.end())
        return -1;
    return static_cast<int>(it - worker_states_.begin());
}

bool ThreadPool::IsSettled() const {
    return pending_ == 0 || !can_dispatch_;
}

}  // namespace keasy
