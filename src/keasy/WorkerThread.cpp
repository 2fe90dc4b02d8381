#include "keasy/WorkerThread.h"

#include <system_error>
#include <utility>

namespace keasy {

WorkerThread::~WorkerThread() {
    {
        std::lock_guard lock(mutex_);
        stop_ = true;
        work_cv_.notify_all();
    }
    if (thread_.joinable())
        thread_.join();
}

bool WorkerThread::Start() {
    std::lock_guard lock(mutex_);
    if (thread_.joinable())
        return true;
    try {
        thread_ = std::thread(&WorkerThread::Run, this);
    } catch (const std::system_error&) {
        return false;
    }
    live_ = true;
    return true;
}

void WorkerThread::Post(std::unique_ptr<IFunc> func) {
    if (!func)
        return;
    std::lock_guard lock(mutex_);
    queue_.push_back(std::move(func));
    work_cv_.notify_one();
}

void WorkerThread::WaitIdle() {
    std::unique_lock lock(mutex_);
    idle_cv_.wait(lock, [this] { return IsIdle(); });
}

bool WorkerThread::WaitIdleFor(std::chrono::milliseconds timeout) {
    std::unique_lock lock(mutex_);
    return idle_cv_.wait_for(lock, timeout, [this] { return IsIdle(); });
}

bool WorkerThread::IsIdle() const {
    return !live_ || (queue_.empty() && !busy_);
}

// The stop flag is looked at only once the queue is empty, so work posted before the
// destructor started still runs.
void WorkerThread::Run() {
    std::unique_lock lock(mutex_);
    for (;;) {
        work_cv_.wait(lock, [this] { return stop_ || !queue_.empty(); });
        if (queue_.empty())
            break;
        std::unique_ptr<IFunc> func = std::move(queue_.front());
        queue_.pop_front();
        busy_ = true;
        lock.unlock();
        func->Invoke();
        func.reset();
        lock.lock();
        busy_ = false;
        if (queue_.empty())
            idle_cv_.notify_all();
    }
    live_ = false;
    idle_cv_.notify_all();
}

}  // namespace keasy
