#include "keasy/ChangeSignal.h"

namespace keasy {

std::uint64_t ChangeSignal::Generation() {
    std::lock_guard lock(mutex_);
    return generation_;
}

void ChangeSignal::Notify() {
    {
        std::lock_guard lock(mutex_);
        ++generation_;
    }
    changed_.notify_all();
}

bool ChangeSignal::WaitFor(std::uint64_t seen, std::chrono::milliseconds timeout) {
    std::unique_lock lock(mutex_);
    return changed_.wait_for(lock, timeout, [&] { return generation_ != seen; });
}

}  // namespace keasy
