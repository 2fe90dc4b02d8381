#include "service/ConversionQueue.h"

namespace service {

ConversionQueue::ConversionQueue(std::size_t capacity, int workers, Work work)
    : capacity_(capacity), worker_count_(workers), work_(std::move(work)) {}

void ConversionQueue::Start() {
    for (int i = 0; i < worker_count_; ++i)
        workers_.emplace_back([this] { Serve(); });
}

bool ConversionQueue::Push(const std::string& req_id) {
    {
        std::lock_guard lock(mutex_);
        if (stopping_ || waiting_.size() >= capacity_)
            return false;
        waiting_.push_back(req_id);
    }
    changed_.notify_one();
    return true;
}

void ConversionQueue::Stop() {
    {
        std::lock_guard lock(mutex_);
        stopping_ = true;
        waiting_.clear();
    }
    changed_.notify_all();
    for (std::thread& worker : workers_)
        worker.join();
    workers_.clear();
}

void ConversionQueue::Serve() {
    while (true) {
        std::string req_id;
        {
            std::unique_lock lock(mutex_);
            changed_.wait(lock, [this] { return stopping_ || !waiting_.empty(); });
            if (stopping_)
                return;
            req_id = std::move(waiting_.front());
            waiting_.pop_front();
        }
        work_(req_id);
    }
}

}  // namespace service
