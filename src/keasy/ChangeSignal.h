#pragma once

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <mutex>

namespace keasy {

// Lets loops that poll shared state on a period look again as soon as the state changes,
// without giving up the period as the bound of every wait. A waiter reads the generation
// before it looks at the state, so a change between its look and its wait is not missed:
//
//     const auto seen = signal.Generation();
//     if (Done()) return;
//     signal.WaitFor(seen, period);
class ChangeSignal {
public:
    ChangeSignal() = default;
    ChangeSignal(const ChangeSignal&) = delete;
    ChangeSignal& operator=(const ChangeSignal&) = delete;

    std::uint64_t Generation();
    // Starts a new generation and wakes every waiter.
    void Notify();
    // Returns once the generation is no longer `seen`, or after `timeout`. True when woken by
    // a change.
    bool WaitFor(std::uint64_t seen, std::chrono::milliseconds timeout);

private:
    std::mutex mutex_;                 // guards generation_
    std::condition_variable changed_;  // signalled after generation_ grew
    std::uint64_t generation_ = 0;     // guarded by mutex_
};

}  // namespace keasy
