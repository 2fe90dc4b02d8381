#include "CliProcess.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace {

std::vector<char*> Pointers(std::vector<std::string>& strings) {
    std::vector<char*> pointers;
    for (std::string& text : strings)
        pointers.push_back(text.data());
    pointers.push_back(nullptr);
    return pointers;
}

}  // namespace

CliProcess::CliProcess(const std::vector<std::string>& arguments,
                       const std::vector<std::string>& environment)
    : CliProcess(QUIRE_CLI_BINARY, arguments, environment) {}

CliProcess::CliProcess(const std::string& executable, const std::vector<std::string>& arguments,
                       const std::vector<std::string>& environment) {
    std::vector<std::string> argv{executable};
    argv.insert(argv.end(), arguments.begin(), arguments.end());
    std::vector<std::string> envp;
    for (char** entry = environ; *entry; ++entry)
        envp.emplace_back(*entry);
    envp.insert(envp.end(), environment.begin(), environment.end());
    int out_pipe[2];
    int err_pipe[2];
    if (::pipe2(out_pipe, O_CLOEXEC) != 0 || ::pipe2(err_pipe, O_CLOEXEC) != 0)
        return;
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, out_pipe[1], STDOUT_FILENO);
    posix_spawn_file_actions_adddup2(&actions, err_pipe[1], STDERR_FILENO);
    // A process group of its own, as a shell gives a job, so that a signal reaches the tool and
    // the cores it started, as a Ctrl-C on a terminal does.
    posix_spawnattr_t attributes;
    posix_spawnattr_init(&attributes);
    posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETPGROUP);
    posix_spawnattr_setpgroup(&attributes, 0);
    std::vector<char*> argv_pointers = Pointers(argv);
    std::vector<char*> envp_pointers = Pointers(envp);
    if (::posix_spawn(&pid_, argv[0].c_str(), &actions, &attributes, argv_pointers.data(),
                      envp_pointers.data()) != 0)
        pid_ = -1;
    posix_spawnattr_destroy(&attributes);
    posix_spawn_file_actions_destroy(&actions);
    ::close(out_pipe[1]);
    ::close(err_pipe[1]);
    out_fd_ = out_pipe[0];
    err_fd_ = err_pipe[0];
}

CliProcess::~CliProcess() {
    if (pid_ > 0 && !reaped_) {
        ::kill(-pid_, SIGKILL);
        ::waitpid(pid_, nullptr, 0);
    }
    for (int fd : {out_fd_, err_fd_}) {
        if (fd >= 0)
            ::close(fd);
    }
}

bool CliProcess::ReadSome(std::chrono::milliseconds limit) {
    pollfd fds[2] = {{out_fd_, POLLIN, 0}, {err_fd_, POLLIN, 0}};
    if (out_fd_ < 0 && err_fd_ < 0)
        return false;
    if (::poll(fds, 2, static_cast<int>(limit.count())) <= 0)
        return true;
    int* descriptors[2] = {&out_fd_, &err_fd_};
    std::string* texts[2] = {&out_, &err_};
    for (int i = 0; i < 2; ++i) {
        if (fds[i].revents == 0)
            continue;
        char buffer[4096];
        const ssize_t read = ::read(*descriptors[i], buffer, sizeof buffer);
        if (read > 0) {
            texts[i]->append(buffer, static_cast<std::size_t>(read));
        } else {
            ::close(*descriptors[i]);
            *descriptors[i] = -1;
        }
    }
    return true;
}

bool CliProcess::WaitForOutput(const std::string& text, std::chrono::milliseconds limit) {
    const auto end = std::chrono::steady_clock::now() + limit;
    while (out_.find(text) == std::string::npos) {
        if (std::chrono::steady_clock::now() >= end || !ReadSome(std::chrono::milliseconds(50)))
            return out_.find(text) != std::string::npos;
    }
    return true;
}

void CliProcess::Signal(int signal_number) {
    if (pid_ > 0 && !reaped_)
        ::kill(-pid_, signal_number);
}

std::optional<int> CliProcess::WaitForExit(std::chrono::milliseconds limit) {
    if (pid_ <= 0)
        return std::nullopt;
    const auto end = std::chrono::steady_clock::now() + limit;
    while (std::chrono::steady_clock::now() < end) {
        ReadSome(std::chrono::milliseconds(50));
        int status = 0;
        if (::waitpid(pid_, &status, WNOHANG) == pid_) {
            reaped_ = true;
            // Cores the command line started share its output pipes and end soon after it.
            while (std::chrono::steady_clock::now() < end &&
                   ReadSome(std::chrono::milliseconds(50))) {
            }
            return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
        }
    }
    return std::nullopt;
}

CliResult RunCli(const std::vector<std::string>& arguments,
                 const std::vector<std::string>& environment) {
    return RunProgram(QUIRE_CLI_BINARY, arguments, environment);
}

CliResult RunProgram(const std::string& executable, const std::vector<std::string>& arguments,
                     const std::vector<std::string>& environment) {
    CliProcess process(executable, arguments, environment);
    const auto code = process.WaitForExit(std::chrono::minutes(2));
    return {code.value_or(-1), process.Out(), process.Err()};
}
