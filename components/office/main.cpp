// quire-office: keeps LibreOffice loaded for one conversion slot, so that the cores' Office to
// PDF jobs do not each pay LibreOffice's start. A core starts it when the slot's socket does not
// answer; it serves any core of the same user, one job at a time, and leaves when idle.
#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <optional>
#include <string>
#include <system_error>
#include <vector>

#include "HelperLog.h"
#include "HelperOptions.h"
#include "JobServer.h"
#include "KitEngine.h"
#include "ProfileSettings.h"
#include "office/OfficeProtocol.h"
#include "platform/AtomicFile.h"

namespace {

using officehelper::HelperOptions;
using officehelper::Log;

// A profile still held by a helper that is on its way out is free again within moments.
constexpr auto kProfileWait = std::chrono::seconds(10);

// The helper outlives the core that started it and must not hold the core's terminal or
// output pipes open: whoever waits for those to close would wait for the helper too.
void DetachFromCore(const HelperOptions& options) {
    ::setsid();
    if (::chdir("/") != 0)
        Log("cannot change to /");
    const int nothing = ::open("/dev/null", O_RDONLY | O_CLOEXEC);
    const std::string log_path =
        officewire::SlotFile(options.runtime_folder, options.slot, officewire::kLogSuffix);
    int log = ::open(log_path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
    if (log < 0)
        log = ::open("/dev/null", O_WRONLY | O_CLOEXEC);
    if (nothing >= 0)
        ::dup2(nothing, STDIN_FILENO);
    if (log >= 0) {
        ::dup2(log, STDOUT_FILENO);
        ::dup2(log, STDERR_FILENO);
    }
    for (int fd : {nothing, log}) {
        if (fd > STDERR_FILENO)
            ::close(fd);
    }
    // Replies go out with MSG_NOSIGNAL; this covers whatever LibreOffice writes to pipes.
    ::signal(SIGPIPE, SIG_IGN);
}

// LibreOffice's temporary files go to a folder of the slot, emptied at every start, so that
// what a killed helper left behind does not pile up in the system's temporary folder.
void PrepareTempFolder(const HelperOptions& options) {
    const std::filesystem::path folder =
        officewire::SlotFile(options.runtime_folder, options.slot, officewire::kTempSuffix);
    std::error_code ignored;
    std::filesystem::remove_all(folder, ignored);
    if (::mkdir(folder.c_str(), 0700) == 0)
        ::setenv("TMPDIR", folder.c_str(), 1);
    else
        Log("cannot create " + folder.string() +
            "; LibreOffice uses the system's temporary folder");
}

void RemovePidFile(const HelperOptions& options) {
    const std::string pid_path =
        officewire::SlotFile(options.runtime_folder, options.slot, officewire::kPidSuffix);
    const auto content = platform::ReadFileBounded(pid_path, 64);
    if (content.status == platform::ReadStatus::Ok &&
        content.bytes == std::to_string(::getpid()) + "\n")
        ::unlink(pid_path.c_str());
}

// Leaves with everything still in place: LibreOffice's own shutdown is slow, may wait on its
// threads and may still call back into the engine; the profile lock goes with the process.
[[noreturn]] void Leave(const HelperOptions& options, int code) {
    RemovePidFile(options);
    ::_exit(code);
}

[[noreturn]] void Serve(const HelperOptions& options) {
    std::string error;
    std::error_code ignored;
    std::filesystem::create_directories(options.cache_folder, ignored);
    const auto profile_lock = platform::FileLock::Acquire(
        officewire::ProfileLock(options.cache_folder, options.slot), kProfileWait);
    if (!profile_lock) {
        Log("the profile of slot " + std::to_string(options.slot) +
            " stays locked (another helper still uses it) or its lock cannot be made");
        ::_exit(officewire::kExitProfileBusy);
    }
    const std::string pid_path =
        officewire::SlotFile(options.runtime_folder, options.slot, officewire::kPidSuffix);
    if (!platform::WriteFileAtomically(pid_path, std::to_string(::getpid()) + "\n", 0600, &error))
        Log("cannot write the pid file: " + error);
    PrepareTempFolder(options);
    const std::filesystem::path profile =
        officewire::ProfileFolder(options.cache_folder, options.slot);
    if (!officehelper::WriteProfileSettings(profile, &error)) {
        Log(error);
        Leave(options, officewire::kExitProfileUnwritable);
    }
    const auto started = std::chrono::steady_clock::now();
    const auto engine = officehelper::KitEngine::Start(options.install_folder, profile, &error);
    if (!engine) {
        Log(error);
        Leave(options, officewire::kExitNoLibreOffice);
    }
    const auto server = officehelper::JobServer::Listen(
        officewire::SlotFile(options.runtime_folder, options.slot, officewire::kSocketSuffix),
        options.job_limit, &error);
    if (!server) {
        Log(error);
        Leave(options, officewire::kExitNoSocket);
    }
    const auto millis = std::chrono::duration_cast<std::chrono::milliseconds>(
                            std::chrono::steady_clock::now() - started)
                            .count();
    Log("slot " + std::to_string(options.slot) + " ready; LibreOffice started in " +
        std::to_string(millis) + " ms");
    server->Serve(*engine, options.idle);
    Leave(options, officewire::kExitDone);
}

}  // namespace

int main(int argc, char** argv) {
    std::string error;
    const std::optional<HelperOptions> options =
        officehelper::ParseHelperOptions(std::vector<std::string>(argv + 1, argv + argc), &error);
    if (!options) {
        Log(error);
        return officewire::kExitBadArguments;
    }
    DetachFromCore(*options);
    Serve(*options);
}
