#include "platform/Process.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <fstream>
#include <mutex>
#include <set>
#include <thread>

#include "platform/Tick.h"

extern char** environ;

namespace platform {
namespace {

std::mutex g_orphans_mutex;  // guards g_orphans
std::set<pid_t> g_orphans;   // children whose Process object went away before they ended

void ReapOrphans() {
    std::lock_guard guard(g_orphans_mutex);
    for (auto it = g_orphans.begin(); it != g_orphans.end();) {
        const pid_t result = ::waitpid(*it, nullptr, WNOHANG);
        it = (result == 0) ? std::next(it) : g_orphans.erase(it);
    }
}

int OpenPidfd(pid_t pid) {
    const long fd = ::syscall(SYS_pidfd_open, pid, 0);
    if (fd < 0)
        return -1;
    ::fcntl(static_cast<int>(fd), F_SETFD, FD_CLOEXEC);
    return static_cast<int>(fd);
}

std::vector<std::string> MergeEnvironment(const std::vector<std::string>& extra) {
    std::set<std::string, std::less<>> overridden;
    for (const auto& addition : extra)
        overridden.insert(addition.substr(0, addition.find('=')));
    std::vector<std::string> merged;
    for (char** entry = environ; entry && *entry; ++entry) {
        const std::string_view current(*entry);
        if (!overridden.contains(current.substr(0, current.find('='))))
            merged.emplace_back(current);
    }
    merged.insert(merged.end(), extra.begin(), extra.end());
    return merged;
}

std::vector<char*> PointersOf(std::vector<std::string>& strings) {
    std::vector<char*> pointers;
    for (auto& s : strings)
        pointers.push_back(s.data());
    pointers.push_back(nullptr);
    return pointers;
}

// Keeps the spawn attributes' cleanup on every exit path.
struct SpawnSetup {
    posix_spawnattr_t attributes;
    posix_spawn_file_actions_t actions;
    SpawnSetup() {
        posix_spawnattr_init(&attributes);
        posix_spawn_file_actions_init(&actions);
    }
    ~SpawnSetup() {
        posix_spawn_file_actions_destroy(&actions);
        posix_spawnattr_destroy(&attributes);
    }
};

void ResetSignals(posix_spawnattr_t* attributes) {
    sigset_t empty;
    sigemptyset(&empty);
    posix_spawnattr_setsigmask(attributes, &empty);
    sigset_t defaults;
    sigemptyset(&defaults);
    for (int signal_number : {SIGPIPE, SIGINT, SIGTERM, SIGHUP, SIGCHLD, SIGQUIT})
        sigaddset(&defaults, signal_number);
    posix_spawnattr_setsigdefault(attributes, &defaults);
    posix_spawnattr_setflags(attributes, POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF);
}

int ExitCodeOf(int status) {
    if (WIFSIGNALED(status))
        return 128 + WTERMSIG(status);
    return WEXITSTATUS(status);
}

}  // namespace

std::unique_ptr<Process> Process::Spawn(const std::filesystem::path& executable,
                                        const std::vector<std::string>& arguments,
                                        std::string* error) {
    return Spawn(executable, arguments, Options{}, error);
}

std::unique_ptr<Process> Process::Spawn(const std::filesystem::path& executable,
                                        const std::vector<std::string>& arguments,
                                        const Options& options, std::string* error) {
    ReapOrphans();
    std::vector<std::string> argv_strings{executable.string()};
    argv_strings.insert(argv_strings.end(), arguments.begin(), arguments.end());
    std::vector<char*> argv = PointersOf(argv_strings);
    std::vector<std::string> env_strings = MergeEnvironment(options.extra_environment);
    std::vector<char*> envp = PointersOf(env_strings);

    SpawnSetup setup;
    ResetSignals(&setup.attributes);
    if (!options.working_folder.empty())
        posix_spawn_file_actions_addchdir_np(&setup.actions, options.working_folder.c_str());

    pid_t pid = 0;
    const int result = ::posix_spawn(&pid, executable.c_str(), &setup.actions, &setup.attributes,
                                     argv.data(), envp.data());
    if (result != 0) {
        if (error)
            *error = "cannot start " + executable.string() + ": " + std::strerror(result);
        return nullptr;
    }
    return std::unique_ptr<Process>(new Process(pid, OpenPidfd(pid)));
}

bool Process::TryReap() {
    if (exit_code_)
        return true;
    int status = 0;
    const pid_t result = ::waitpid(pid_, &status, WNOHANG);
    if (result == pid_) {
        exit_code_ = ExitCodeOf(status);
        return true;
    }
    if (result < 0 && errno == ECHILD) {
        exit_code_ = -1;  // someone else reaped it; it is gone all the same
        return true;
    }
    return false;
}

bool Process::IsAlive() {
    return !TryReap();
}

bool Process::WaitForExit(std::chrono::milliseconds timeout) {
    const std::uint32_t start = GetTickCount();
    const auto limit = static_cast<std::uint32_t>(timeout.count());
    while (!TryReap()) {
        const std::uint32_t elapsed = GetTickCount() - start;
        if (elapsed >= limit)
            return false;
        const int slice = static_cast<int>(std::min<std::uint32_t>(limit - elapsed, 50));
        if (pidfd_ >= 0) {
            pollfd watch{pidfd_, POLLIN, 0};
            ::poll(&watch, 1, slice);
        } else {
            std::this_thread::sleep_for(std::chrono::milliseconds(std::min(slice, 5)));
        }
    }
    return true;
}

bool Process::Signal(int signal_number) {
    if (exit_code_)
        return false;
    if (pidfd_ >= 0)
        return ::syscall(SYS_pidfd_send_signal, pidfd_, signal_number, nullptr, 0) == 0;
    return ::kill(pid_, signal_number) == 0;
}

Process::~Process() {
    if (!TryReap()) {
        std::lock_guard guard(g_orphans_mutex);
        g_orphans.insert(pid_);
    }
    if (pidfd_ >= 0)
        ::close(pidfd_);
}

bool IsProcessAlive(pid_t pid) {
    if (pid <= 0 || (::kill(pid, 0) != 0 && errno != EPERM))
        return false;
    std::ifstream stat("/proc/" + std::to_string(pid) + "/stat");
    std::string content;
    std::getline(stat, content);
    // The state follows the command name, which is in parentheses and may itself hold them.
    const auto close = content.rfind(')');
    if (close == std::string::npos || close + 2 >= content.size())
        return true;
    const char state = content[close + 2];
    return state != 'Z' && state != 'X';
}

std::filesystem::path FindInPath(const std::string& program) {
    const char* path = std::getenv("PATH");
    std::string_view folders = path ? path : "/usr/local/bin:/usr/bin:/bin";
    while (!folders.empty()) {
        const auto colon = folders.find(':');
        const std::string_view folder = folders.substr(0, colon);
        folders = colon == std::string_view::npos ? std::string_view() : folders.substr(colon + 1);
        if (folder.empty())
            continue;
        std::filesystem::path candidate = std::filesystem::path(folder) / program;
        if (::access(candidate.c_str(), X_OK) == 0)
            return candidate;
    }
    return {};
}

}  // namespace platform
