#pragma once

#include <deque>
#include <functional>
#include <initializer_list>
#include <mutex>

#include "platform/UniqueFd.h"

namespace platform {

// Blocks the termination signals in the calling thread and in every thread it starts later,
// so that they reach the event loop's signal descriptor instead of killing the process
// half-way through shutdown. Call it first thing in main, before any thread exists.
void BlockTerminationSignals();

// The main thread's loop: runs closures posted from any thread, in posting order, until Quit.
// SIGINT, SIGTERM and SIGHUP end the loop when BlockTerminationSignals ran first.
class EventLoop {
public:
    EventLoop();
    EventLoop(const EventLoop&) = delete;
    EventLoop& operator=(const EventLoop&) = delete;

    // Any thread. Closures posted after the loop ended are dropped.
    void Post(std::function<void()> closure);
    void Quit(int exit_code);

    // Runs on the calling thread until Quit or a termination signal; returns the exit code
    // (128 + the signal number after a signal). A loop that has quit stays quit.
    int Run();

    // The signal that ended the loop, 0 when it ended through Quit.
    int QuitSignal() const { return quit_signal_; }

private:
    void RunPosted();
    bool TakeSignal();

    UniqueFd wake_;     // eventfd: written on Post and Quit
    UniqueFd signals_;  // signalfd for the termination signals; invalid when unavailable
    std::mutex mutex_;  // guards queue_, quitting_, exit_code_
    std::deque<std::function<void()>> queue_;  // guarded by mutex_
    bool quitting_ = false;                    // guarded by mutex_
    int exit_code_ = 0;                        // guarded by mutex_
    int quit_signal_ = 0;                      // loop thread only
};

}  // namespace platform
