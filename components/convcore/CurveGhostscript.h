#pragma once

#include <chrono>
#include <filesystem>
#include <string>

namespace convcore {

class TaskContext;

struct GhostscriptJob {
    std::filesystem::path ghostscript;  // the gs executable
    std::filesystem::path input;        // a PDF gs can open without a password
    std::filesystem::path output;
    // gs's temporary files; a killed gs cannot remove its own, so the caller removes this.
    std::filesystem::path temp_folder;
    int page_count = 1;  // pages of `input`, for the progress
    std::chrono::milliseconds time_limit{0};
    int progress_from = 0;
    int progress_to = 100;
};

enum class GhostscriptStatus { kDone, kCancelled, kFailed };

// Rewrites `input` into `output` with gs's PDF writer, drawing every glyph as a path instead
// of text. gs runs as a child process whose messages are read as it works: each page it
// reports moves the progress on, and the last error lines it printed explain a failure. The
// child is killed when the task is cancelled or the time limit passes. A failed or killed run
// may leave a partial `output` for the caller to remove.
GhostscriptStatus RunGhostscriptOutlines(const GhostscriptJob& job, TaskContext& context,
                                         std::string* error);

// Two minutes, and ten seconds more per page.
std::chrono::milliseconds GhostscriptTimeLimit(int page_count);

}  // namespace convcore
