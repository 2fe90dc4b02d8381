#pragma once

#include <chrono>
#include <condition_variable>
#include <mutex>

// A flag that wakes whoever sleeps on it: cancelling a task or stopping the service manager
// must end a 3-second poll pause or a retry pause at once, not when it runs out.
class StopSignal {
public:
    void Set();
    bool IsSet() const;
    // Sleeps for `duration` unless the signal is set first; true when it was set.
    bool WaitFor(std::chrono::milliseconds duration) const;

private:
    mutable std::mutex mutex_;
    mutable std::condition_variable changed_;
    bool set_ = false;  // guarded by mutex_
};
