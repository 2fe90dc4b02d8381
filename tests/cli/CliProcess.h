#pragma once

#include <sys/types.h>

#include <chrono>
#include <optional>
#include <string>
#include <vector>

// quire-cli run as a child process with its output captured, for the tests that drive the
// real command line against the real core.
class CliProcess {
public:
    // `environment` entries "NAME=value" are added to this process's environment.
    CliProcess(const std::vector<std::string>& arguments,
               const std::vector<std::string>& environment);
    // Any other program of the build, run the same way.
    CliProcess(const std::string& executable, const std::vector<std::string>& arguments,
               const std::vector<std::string>& environment);
    ~CliProcess();
    CliProcess(const CliProcess&) = delete;
    CliProcess& operator=(const CliProcess&) = delete;

    // Reads output until `text` appeared on stdout or `limit` passed; true when it appeared.
    bool WaitForOutput(const std::string& text, std::chrono::milliseconds limit);
    // To the whole process group, as a terminal does.
    void Signal(int signal_number);
    // Reads the rest of the output and reaps the child; nullopt when it did not end in time
    // (it is then killed).
    std::optional<int> WaitForExit(std::chrono::milliseconds limit);

    const std::string& Out() const { return out_; }
    const std::string& Err() const { return err_; }

private:
    // Reads what is there within `limit`; false once both pipes are closed.
    bool ReadSome(std::chrono::milliseconds limit);

    pid_t pid_ = -1;
    int out_fd_ = -1;
    int err_fd_ = -1;
    std::string out_;
    std::string err_;
    bool reaped_ = false;
};

struct CliResult {
    int exit_code = -1;  // -1 when the child did not end in time
    std::string out;
    std::string err;
};

// Runs quire-cli (or `executable`) to its end (two minutes at most).
CliResult RunCli(const std::vector<std::string>& arguments,
                 const std::vector<std::string>& environment);
CliResult RunProgram(const std::string& executable, const std::vector<std::string>& arguments,
                     const std::vector<std::string>& environment);
