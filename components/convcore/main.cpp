#include <malloc.h>

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "convcore/CoreArguments.h"
#include "convcore/CoreLoop.h"
#include "convcore/PipeRequestChannel.h"
#include "platform/Paths.h"
#include "reconstruct/FontMapper.h"

namespace {

constexpr std::chrono::seconds kConnectTimeout{5};

enum ExitCode { kExitDone = 0, kExitServerLost = 1, kExitBadArguments = 2, kExitStuck = 3 };

void Complain(const std::string& text) {
    std::fprintf(stderr, "quire-core: %s\n", text.c_str());
}

int ExitCodeFor(convcore::CoreEnd end) {
    switch (end) {
        case convcore::CoreEnd::kTaskDone:
        case convcore::CoreEnd::kServiceExited:
        case convcore::CoreEnd::kCancelled:
            return kExitDone;
        case convcore::CoreEnd::kServerLost:
            Complain("the program's pipe was lost");
            return kExitServerLost;
        case convcore::CoreEnd::kHandlerStuck:
            Complain("a cancelled task did not stop in time");
            return kExitStuck;
    }
    return kExitServerLost;
}

// A core lives for one task, and its work frees and takes back the same large blocks over and
// over (a deflate stream's quarter megabyte per document part, MuPDF's page buffers). By
// default each free hands them back to the system and each take faults them in again, zeroed;
// kept, they cost the faults once. Blocks beyond the mapping threshold (whole scans) still go
// back at once.
void KeepFreedMemory() {
    constexpr int kKeptBytes = 64 << 20;
    constexpr int kMappedFromBytes = 32 << 20;
    ::mallopt(M_TRIM_THRESHOLD, kKeptBytes);
    ::mallopt(M_MMAP_THRESHOLD, kMappedFromBytes);
}

}  // namespace

int main(int argc, char** argv) {
    KeepFreedMemory();
    // A Ctrl-C on the terminal of a batch reaches every process of the job, this core among
    // them. The program cancels its tasks through the pipe, and a core that leaves that way
    // removes what it was writing; one killed by the signal would leave it behind.
    ::signal(SIGINT, SIG_IGN);
    std::string error;
    const auto arguments =
        convcore::ParseCoreArguments(std::vector<std::string>(argv + 1, argv + argc), &error);
    if (!arguments) {
        Complain(error);
        return kExitBadArguments;
    }
    // Nothing heavy before the first request: the program waits for this core to ask.
    auto client = quirepipe::PipeClient::Connect(arguments->server_name, kConnectTimeout, &error);
    if (!client) {
        Complain("cannot connect to " + arguments->server_name + ": " + error);
        return kExitServerLost;
    }
    convcore::PipeRequestChannel channel(std::move(client));
    const convcore::CommandDispatcher dispatcher = convcore::MakeCoreDispatcher();
    convcore::CoreLoopOptions options;
    options.core_id = arguments->core_id;
    options.multi_task = arguments->multi_task;
    // Font matching starts fontconfig on first use, unless the matches kept by earlier cores
    // answer; a core waiting for its task starts it meanwhile, so that the conversion it is
    // given does not pay for it.
    reconstruct::KeepFontMatchesIn(platform::CacheFolder() / "font-matches");
    options.while_waiting = reconstruct::WarmFontMatching;
    const convcore::CoreEnd end = convcore::RunCoreLoop(channel, dispatcher, options);
    const int code = ExitCodeFor(end);
    // A handler thread that ignored its cancel is still running: leave without unwinding
    // anything it may use.
    if (end == convcore::CoreEnd::kHandlerStuck)
        std::_Exit(code);
    return code;
}
