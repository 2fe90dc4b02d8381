#pragma once

namespace cli {

// SIGINT, SIGTERM and SIGHUP, which main blocks in every thread before any starts
// (platform::BlockTerminationSignals), so they wait here instead of ending the process while
// tasks still write.
class TerminationSignal {
public:
    // Takes a signal that came, without waiting; the signal, or 0.
    static int Take();
};

}  // namespace cli
