#pragma once

#include <sys/types.h>

#include <chrono>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace platform {

// A child process started with posix_spawn and watched through a pidfd. Only descriptors
// opened without close-on-exec reach the child, and every descriptor this program opens has
// it, so a child inherits stdin, stdout and stderr only. The child starts with an empty
// signal mask and default signal actions whatever the parent blocked or ignored.
class Process {
public:
    struct Options {
        std::filesystem::path working_folder;  // empty: the parent's
        // "NAME=value" entries added to (or replacing in) the parent's environment.
        std::vector<std::string> extra_environment;
    };

    // `arguments` excludes argv[0], which is the executable's path. Nullptr on failure, with
    // the reason in `error`.
    static std::unique_ptr<Process> Spawn(const std::filesystem::path& executable,
                                          const std::vector<std::string>& arguments,
                                          const Options& options, std::string* error = nullptr);
    static std::unique_ptr<Process> Spawn(const std::filesystem::path& executable,
                                          const std::vector<std::string>& arguments,
                                          std::string* error = nullptr);

    // A child that ended is reaped here, so a dead child never lingers as a zombie.
    bool IsAlive();

    // Waits at most `timeout` for the child to end; true when it has ended (and was reaped).
    bool WaitForExit(std::chrono::milliseconds timeout);

    bool Signal(int signal_number);
    bool Kill() { return Signal(9); }

    pid_t Pid() const { return pid_; }

    // The exit code once reaped; a child ended by a signal gives 128 + the signal number.
    std::optional<int> ExitCode() const { return exit_code_; }

    // A child still running is not killed: it goes to a list that later spawns reap, so it
    // cannot stay a zombie once it ends.
    ~Process();
    Process(const Process&) = delete;
    Process& operator=(const Process&) = delete;

private:
    Process(pid_t pid, int pidfd) : pid_(pid), pidfd_(pidfd) {}
    bool TryReap();

    pid_t pid_;
    int pidfd_;  // -1 when the kernel has no pidfds; waits then poll waitpid
    std::optional<int> exit_code_;
};

// Liveness of any process by id (not only our children): it exists and is not a zombie.
bool IsProcessAlive(pid_t pid);

// Searches $PATH for an executable file; empty when not found.
std::filesystem::path FindInPath(const std::string& program);

}  // namespace platform
