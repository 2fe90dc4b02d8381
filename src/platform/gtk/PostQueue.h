#pragma once

#include <deque>
#include <functional>
#include <memory>
#include <mutex>

namespace platform {

// Closures from any thread, run on the thread of the default GLib main context in posting
// order. The idle source that drains the queue holds a reference to it, so a source that
// fires after Close() finds a closed queue and runs nothing.
class PostQueue : public std::enable_shared_from_this<PostQueue> {
public:
    // Any thread.
    void Post(std::function<void()> closure);
    // UI thread: drops what is queued and refuses what comes later.
    void Close();

private:
    static int Drain(void* queue);
    void RunPending();

    std::mutex mutex_;
    std::deque<std::function<void()>> pending_;  // mutex_
    bool drain_scheduled_ = false;               // mutex_
    bool closed_ = false;                        // mutex_
};

}  // namespace platform
