#pragma once

#include <chrono>
#include <condition_variable>
#include <mutex>
#include <optional>
#include <thread>

namespace officehelper {

// Ends the helper when one job runs far past the core's limit. The core kills a helper whose
// job overruns, but a core that died first cannot; LibreOffice itself cannot be interrupted.
class JobWatchdog {
public:
    explicit JobWatchdog(std::chrono::seconds limit);
    ~JobWatchdog();
    JobWatchdog(const JobWatchdog&) = delete;
    JobWatchdog& operator=(const JobWatchdog&) = delete;

    void JobStarted();
    void JobEnded();

private:
    using Clock = std::chrono::steady_clock;
    void Watch();

    const std::chrono::seconds limit_;
    std::mutex mutex_;  // guards deadline_ and stopping_
    std::condition_variable changed_;
    std::optional<Clock::time_point> deadline_;  // set while a job runs
    bool stopping_ = false;
    std::thread thread_;  // last: starts once the members above exist
};

}  // namespace officehelper
