#pragma once

#include <chrono>
#include <functional>

#include "convcore/CommandDispatcher.h"
#include "convcore/RequestChannel.h"

namespace convcore {

struct CoreLoopOptions {
    int core_id = 0;
    bool multi_task = false;  // keep asking for tasks after the first one
    std::chrono::milliseconds reply_timeout{30000};
    // How often a running task reports progress (and learns of a cancel).
    std::chrono::milliseconds progress_interval{500};
    // How long a cancelled handler may take to stop and clean up.
    std::chrono::milliseconds cancel_grace{10000};
    // Pause before asking again after a second reply in a row that came back at once without a
    // task, so that a server which does not block its "get_task" replies is not polled in a
    // tight loop.
    std::chrono::milliseconds idle_pause{50};
    // Preparation worth doing while the core waits for its first task, run on a thread of its
    // own when no task came within `idle_after` of the first ask; nothing when one came sooner,
    // so that a core started for a waiting task leaves the preparation to the task, which may
    // never need it. The loop waits for it before it ends.
    std::function<void()> while_waiting;
    std::chrono::milliseconds idle_after{5};
};

enum class CoreEnd {
    kTaskDone,       // the single task (or, with multi_task, never reached) is finished
    kServiceExited,  // the program is shutting down
    kCancelled,      // the program cancelled the running task
    kServerLost,     // the connection broke, a reply timed out, or replies made no sense
    kHandlerStuck,   // a cancelled handler did not stop in time; its thread is still running
};

// Speaks the core's side of the protocol until there is nothing more to do.
CoreEnd RunCoreLoop(RequestChannel& channel, const CommandDispatcher& dispatcher,
                    const CoreLoopOptions& options);

}  // namespace convcore
