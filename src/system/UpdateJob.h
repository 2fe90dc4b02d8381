#pragma once

#include <atomic>
#include <chrono>
#include <filesystem>

#include "platform/Paths.h"

// The work of the second process started with "-update_files": drive the updater library until
// it reports the components installed. The job holds the update mutex from start to end, so
// that other processes of the user see an update running (the updater library need not take
// it). Sending the usage record is left to the caller, with the numbers returned here.
namespace update_job {

enum Code : int {
    kSucceeded = 0,
    kNoUpdater = 1,       // no library, no factory, or the factory refused the interface
    kStartRefused = 2,    // the updater's start answered non-zero
    kStillBusy = 3,       // still busy when the bound passed, or the job was cancelled
    kAlreadyRunning = 4,  // another job holds the update mutex; no second updater is started
};

struct Options {
    std::filesystem::path program_folder = platform::ProgramFolder();
    std::chrono::milliseconds poll_interval{1000};
    // A real download takes minutes; giving up early would abandon it half done.
    std::chrono::milliseconds max_wait = std::chrono::minutes(30);
    // Set from another thread (a signal handler's thread, for instance) to stop waiting.
    const std::atomic<bool>* cancel = nullptr;
};

struct Result {
    bool success = false;
    int code = kNoUpdater;
    int elapsed_seconds = 0;
};

// An updater still working when the job gives up is left alone: its object, its progress
// record and its library stay alive until the process ends, since its threads may use them.
Result RunUpdateJob(const Options& options);

}  // namespace update_job
