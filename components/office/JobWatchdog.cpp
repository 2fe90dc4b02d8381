#include "JobWatchdog.h"

#include <unistd.h>

#include "HelperLog.h"
#include "office/OfficeProtocol.h"

namespace officehelper {

JobWatchdog::JobWatchdog(std::chrono::seconds limit)
    : limit_(limit), thread_([this] { Watch(); }) {}

JobWatchdog::~JobWatchdog() {
    {
        std::lock_guard guard(mutex_);
        stopping_ = true;
    }
    changed_.notify_all();
    thread_.join();
}

void JobWatchdog::JobStarted() {
    {
        std::lock_guard guard(mutex_);
        deadline_ = Clock::now() + limit_;
    }
    changed_.notify_all();
}

void JobWatchdog::JobEnded() {
    {
        std::lock_guard guard(mutex_);
        deadline_.reset();
    }
    changed_.notify_all();
}

void JobWatchdog::Watch() {
    std::unique_lock lock(mutex_);
    while (!stopping_) {
        if (!deadline_) {
            changed_.wait(lock);
            continue;
        }
        if (Clock::now() < *deadline_) {
            changed_.wait_until(lock, *deadline_);
            continue;
        }
        Log("a job ran past its limit; leaving");
        ::_exit(officewire::kExitJobTooLong);
    }
}

}  // namespace officehelper
