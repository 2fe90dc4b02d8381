#include "app/StartupChain.h"
#include "platform/EventLoop.h"
#include "platform/Tick.h"

int main(int argc, char** argv) {
    const std::uint32_t start_tick = platform::GetTickCount();
    // Before any thread exists, so that every thread inherits the blocked set.
    platform::BlockTerminationSignals();
    StartupChain chain(start_tick, argc, argv);
    return chain.Run();
}
