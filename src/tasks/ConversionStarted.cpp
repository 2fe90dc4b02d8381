#include "tasks/ConversionStarted.h"

#include <atomic>

namespace tasks {
namespace {

// Set by any thread that starts a task, read by the UI thread; never cleared.
std::atomic<bool> started{false};

}  // namespace

bool ConversionStarted() {
    return started.load();
}

void MarkConversionStarted() {
    started.store(true);
}

}  // namespace tasks
