#include "online/StopSignal.h"

void StopSignal::Set() {
    {
        std::lock_guard lock(mutex_);
        set_ = true;
    }
    changed_.notify_all();
}

bool StopSignal::IsSet() const {
    std::lock_guard lock(mutex_);
    return set_;
}

bool StopSignal::WaitFor(std::chrono::milliseconds duration) const {
    std::unique_lock lock(mutex_);
    return changed_.wait_for(lock, duration, [this] { return set_; });
}
