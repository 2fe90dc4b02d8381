#include <cstdio>
#include <mutex>
#include <new>
#include <string_view>

#include "PipeServer.h"
#include "platform/Diagnostics.h"
#include "quire-pipe/PipeInterfaces.h"

namespace {

// The library carries its own copy of the platform code, whose reports would otherwise go
// nowhere: the program's log is not ours to write.
void SendReportsToStandardError() {
    static std::once_flag once;
    std::call_once(once, [] {
        platform::SetDiagnosticSink([](std::string_view line) {
            std::fprintf(stderr, "quire-pipe: %.*s\n", static_cast<int>(line.size()), line.data());
        });
    });
}

}  // namespace

extern "C" IPipeSvr* CreatePipeSvr() {
    SendReportsToStandardError();
    return new (std::nothrow) quirepipe::PipeServer();
}

extern "C" void ReleasePipeSvr(IPipeSvr* server) {
    delete server;
}
