#include "cli/TerminationSignal.h"

#include <signal.h>

#include <ctime>

namespace cli {

int TerminationSignal::Wait(std::chrono::milliseconds timeout) {
    sigset_t signals;
    sigemptyset(&signals);
    for (int signal_number : {SIGINT, SIGTERM, SIGHUP})
        sigaddset(&signals, signal_number);
    const auto seconds = std::chrono::duration_cast<std::chrono::seconds>(timeout);
    const timespec limit{static_cast<time_t>(seconds.count()),
                         static_cast<long>((timeout - seconds).count() * 1'000'000)};
    const int taken = ::sigtimedwait(&signals, nullptr, &limit);
    // A time-out, or an unrelated signal that interrupted the wait: the caller simply polls.
    return taken > 0 ? taken : 0;
}

}  // namespace cli
