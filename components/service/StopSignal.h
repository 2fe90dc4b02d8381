#pragma once

#include <chrono>
#include <condition_variable>
#include <mutex>

namespace service {

// Raised once when the service stops; every wait of the service ends early on it.
class StopSignal {
public:
    void Raise();
    bool Raised();
    // Waits up to `duration`; true when the signal was raised meanwhile (or before).
    bool WaitFor(std::chrono::milliseconds duration);

private:
    std::mutex mutex_;
    std::condition_variable changed_;
    bool raised_ = false;  // mutex_
};

}  // namespace service
