#include "convcore/CurveGhostscript.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <deque>
#include <string_view>
#include <vector>

#include "convcore/ScratchFolder.h"
#include "convcore/TaskContext.h"
#include "platform/Format.h"
#include "platform/Process.h"
#include "platform/Text.h"
#include "platform/UniqueFd.h"

namespace convcore {
namespace {

constexpr std::chrono::milliseconds kPoll{100};
constexpr std::chrono::milliseconds kKillWait{5000};
constexpr std::chrono::seconds kBaseTime{120};
constexpr std::chrono::seconds kTimePerPage{10};
constexpr std::size_t kMaxLineBytes = 400;
constexpr std::size_t kKeptErrorLines = 3;
// Reads per look at the pipe: a gs that prints without pause must not keep the loop from
// seeing a cancel.
constexpr int kMaxReadsPerLook = 64;

// sh opens the named pipe by path and hands it to gs as stdout and stderr. An inherited pipe
// end would also reach any process another thread starts at the same moment, and the end of
// gs's output would then never be seen.
constexpr char kRedirectScript[] = "out=$1; shift; exec \"$@\" >\"$out\" 2>&1";

std::string_view TrimLeft(std::string_view text) {
    const std::size_t start = text.find_first_not_of(" \t");
    return start == std::string_view::npos ? std::string_view() : text.substr(start);
}

// What gs prints while it works: a "Page N" line as it starts each page, and warnings and
// errors in between.
class GhostscriptMessages {
public:
    // Takes what the pipe holds now, without waiting.
    void ReadAvailable(int fd) {
        char buffer[4096];
        for (int look = 0; look < kMaxReadsPerLook; ++look) {
            const ssize_t got = ::read(fd, buffer, sizeof buffer);
            if (got <= 0)
                return;  // nothing now, or no writer (not yet, or not any more)
            Take(std::string_view(buffer, static_cast<std::size_t>(got)));
        }
    }

    int PagesStarted() const { return pages_started_; }

    // The last error lines, for the task's error text.
    std::string Errors() const {
        std::string joined;
        for (const std::string& line : error_lines_)
            joined += (joined.empty() ? "" : " ") + line;
        return joined;
    }

private:
    void Take(std::string_view text) {
        for (const char c : text) {
            if (c == '\n') {
                TakeLine(TrimLeft(partial_));
                partial_.clear();
            } else if (partial_.size() < kMaxLineBytes) {
                partial_ += c;
            }
        }
    }

    void TakeLine(std::string_view line) {
        if (IsPageLine(line)) {
            ++pages_started_;
            return;
        }
        if (!line.starts_with("****") &&
            platform::AsciiToLower(line).find("error") == std::string::npos)
            return;
        error_lines_.emplace_back(line);
        if (error_lines_.size() > kKeptErrorLines)
            error_lines_.pop_front();
    }

    static bool IsPageLine(std::string_view line) {
        constexpr std::string_view kPage = "Page ";
        if (!line.starts_with(kPage) || line.size() == kPage.size())
            return false;
        return std::all_of(line.begin() + kPage.size(), line.end(),
                           [](char c) { return c >= '0' && c <= '9'; });
    }

    std::string partial_;  // the line being received
    std::deque<std::string> error_lines_;
    int pages_started_ = 0;
};

// gs reads "%d" and the like in an output name as a page number pattern.
std::string LiteralOutputName(const std::filesystem::path& output) {
    std::string name;
    for (const char c : std::filesystem::absolute(output).string())
        name += c == '%' ? std::string("%%") : std::string(1, c);
    return name;
}

std::vector<std::string> ShellArguments(const GhostscriptJob& job,
                                        const std::filesystem::path& messages) {
    return {"-c",
            kRedirectScript,
            "sh",
            messages.string(),
            job.ghostscript.string(),
            "-dSAFER",
            "-dBATCH",
            "-dNOPAUSE",
            "-dNoOutputFonts",
            "-sDEVICE=pdfwrite",
            "-sOutputFile=" + LiteralOutputName(job.output),
            "-f",
            std::filesystem::absolute(job.input).string()};
}

int Progress(const GhostscriptJob& job, int pages_started) {
    // A page is done when the next one starts.
    const int done = std::clamp(pages_started - 1, 0, job.page_count);
    return job.progress_from +
           (job.progress_to - job.progress_from) * done / std::max(job.page_count, 1);
}

void Stop(platform::Process& process) {
    process.Kill();
    process.WaitForExit(kKillWait);
}

// The read end of a named pipe for gs's messages, opened before gs starts so that its open for
// writing does not block.
platform::UniqueFd OpenMessagePipe(const std::filesystem::path& pipe, std::string* error) {
    if (::mkfifo(pipe.c_str(), 0600) != 0) {
        *error =
            "cannot make a pipe for Ghostscript's messages: " + std::string(std::strerror(errno));
        return {};
    }
    platform::UniqueFd reader(::open(pipe.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC));
    if (!reader)
        *error =
            "cannot open the pipe for Ghostscript's messages: " + std::string(std::strerror(errno));
    return reader;
}

}  // namespace

GhostscriptStatus RunGhostscriptOutlines(const GhostscriptJob& job, TaskContext& context,
                                         std::string* error) {
    const auto private_folder = ScratchFolder::CreatePrivate("gs");
    if (!private_folder) {
        *error = "no private folder for Ghostscript's messages";
        return GhostscriptStatus::kFailed;
    }
    const std::filesystem::path pipe = private_folder->Path() / "messages";
    const platform::UniqueFd reader = OpenMessagePipe(pipe, error);
    if (!reader)
        return GhostscriptStatus::kFailed;

    platform::Process::Options options;
    // GS_OPTIONS from the user's environment would add options of its own to every run.
    options.extra_environment = {"TMPDIR=" + job.temp_folder.string(), "GS_OPTIONS="};
    std::string spawn_error;
    const auto process =
        platform::Process::Spawn("/bin/sh", ShellArguments(job, pipe), options, &spawn_error);
    if (!process) {
        *error = "Ghostscript cannot start: " + spawn_error;
        return GhostscriptStatus::kFailed;
    }
    GhostscriptMessages messages;
    const auto deadline = std::chrono::steady_clock::now() + job.time_limit;
    while (!process->WaitForExit(kPoll)) {
        messages.ReadAvailable(reader.Get());
        context.SetProgress(Progress(job, messages.PagesStarted()));
        if (context.IsCancelled()) {
            Stop(*process);
            return GhostscriptStatus::kCancelled;
        }
        if (std::chrono::steady_clock::now() >= deadline) {
            Stop(*process);
            *error = platform::Format(
                "Ghostscript took longer than %d s",
                static_cast<int>(
                    std::chrono::duration_cast<std::chrono::seconds>(job.time_limit).count()));
            return GhostscriptStatus::kFailed;
        }
    }
    messages.ReadAvailable(reader.Get());
    if (process->ExitCode() != 0) {
        const std::string errors = messages.Errors();
        *error =
            platform::Format("Ghostscript failed (exit code %d)%s%s",
                             process->ExitCode().value_or(-1), errors.empty() ? "" : ": ", errors);
        return GhostscriptStatus::kFailed;
    }
    return GhostscriptStatus::kDone;
}

std::chrono::milliseconds GhostscriptTimeLimit(int page_count) {
    return kBaseTime + kTimePerPage * std::max(page_count, 0);
}

}  // namespace convcore
