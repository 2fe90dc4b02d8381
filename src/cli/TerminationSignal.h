#pragma once

#include <chrono>

namespace cli {

// SIGINT, SIGTERM and SIGHUP, which main blocks in every thread before any starts
// (platform::BlockTerminationSignals), so they wait here instead of ending the process while
// tasks still write.
class TerminationSignal {
public:
    // Waits at most `timeout`; the signal that came, or 0.
    static int Wait(std::chrono::milliseconds timeout);
};

}  // namespace cli
