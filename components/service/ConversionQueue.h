#pragma once

#include <condition_variable>
#include <deque>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace service {

// Request ids waiting for a conversion, served in order by a fixed number of threads.
class ConversionQueue {
public:
    using Work = std::function<void(const std::string& req_id)>;

    ConversionQueue(std::size_t capacity, int workers, Work work);
    ~ConversionQueue() { Stop(); }
    ConversionQueue(const ConversionQueue&) = delete;
    ConversionQueue& operator=(const ConversionQueue&) = delete;

    void Start();
    // False when the queue is full or stopped.
    bool Push(const std::string& req_id);
    // Drops what still waits and joins the workers once their current work returns; that
    // work must watch the service's stop signal to return promptly.
    void Stop();

private:
    void Serve();

    const std::size_t capacity_;
    const int worker_count_;
    const Work work_;
    std::mutex mutex_;
    std::condition_variable changed_;
    std::deque<std::string> waiting_;   // mutex_
    bool stopping_ = false;             // mutex_
    std::vector<std::thread> workers_;  // Start and Stop, on the owner's thread
};

}  // namespace service
