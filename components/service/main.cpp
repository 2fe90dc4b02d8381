#include <signal.h>

#include <cstdio>
#include <string>
#include <vector>

#include "platform/Paths.h"
#include "service/CommandLine.h"
#include "service/CoreConverter.h"
#include "service/FaultPlan.h"
#include "service/ServiceServer.h"

namespace {

enum ExitCode { kExitDone = 0, kExitFailed = 1, kExitBadArguments = 2 };

void Complain(const std::string& text) {
    std::fprintf(stderr, "quire-service: %s\n", text.c_str());
}

// SIGINT and SIGTERM are taken by sigwait on the main thread, so they must be blocked before
// any other thread starts (threads inherit the mask).
sigset_t BlockStopSignals() {
    sigset_t signals;
    sigemptyset(&signals);
    sigaddset(&signals, SIGINT);
    sigaddset(&signals, SIGTERM);
    pthread_sigmask(SIG_BLOCK, &signals, nullptr);
    return signals;
}

}  // namespace

int main(int argc, char** argv) {
    const sigset_t stop_signals = BlockStopSignals();
    std::string error;
    const auto line =
        service::ParseCommandLine(std::vector<std::string>(argv + 1, argv + argc), &error);
    if (!line) {
        Complain(error);
        std::fputs(service::kUsage, stderr);
        return kExitBadArguments;
    }
    service::FaultPlan faults;
    if (!line->faults_file.empty()) {
        auto loaded = service::LoadFaultPlan(line->faults_file, &error);
        if (!loaded) {
            Complain(error);
            return kExitBadArguments;
        }
        faults = std::move(*loaded);
    }
    const auto converter = service::MakeCoreConverter(platform::ProgramFolder());
    if (!converter) {
        Complain("cannot set up the conversion core");
        return kExitFailed;
    }
    service::ServiceServer server(line->options, *converter, std::move(faults));
    if (!server.Start(&error)) {
        Complain(error);
        return kExitFailed;
    }
    std::printf("listening on %s\n", server.BaseUrl().c_str());
    std::fflush(stdout);
    int received = 0;
    sigwait(&stop_signals, &received);
    server.Stop();
    return kExitDone;
}
