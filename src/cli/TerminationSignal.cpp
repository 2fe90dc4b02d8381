#include "cli/TerminationSignal.h"

#include <signal.h>

#include <ctime>
#include <initializer_list>

namespace cli {

int TerminationSignal::Take() {
    sigset_t signals;
    sigemptyset(&signals);
    for (int signal_number : {SIGINT, SIGTERM, SIGHUP})
        sigaddset(&signals, signal_number);
    const timespec no_wait{0, 0};
    const int taken = ::sigtimedwait(&signals, nullptr, &no_wait);
    // Nothing pending, or an unrelated signal that interrupted the call: the caller simply polls.
    return taken > 0 ? taken : 0;
}

}  // namespace cli
