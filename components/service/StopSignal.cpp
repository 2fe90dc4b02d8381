#include "service/StopSignal.h"

namespace service {

void StopSignal::Raise() {
    {
        std::lock_guard lock(mutex_);
        raised_ = true;
    }
    changed_.notify_all();
}

bool StopSignal::Raised() {
    std::lock_guard lock(mutex_);
    return raised_;
}

bool StopSignal::WaitFor(std::chrono::milliseconds duration) {
    std::unique_lock lock(mutex_);
    return changed_.wait_for(lock, duration, [this] { return raised_; });
}

}  // namespace service
