#pragma once

#include <filesystem>
#include <string>

namespace convcore {

class TaskContext;
struct TaskOutcome;

// An output file written under a temporary name beside its target and renamed into place only
// when the work succeeded, so a cancelled or failed task never leaves a half-written file
// under the name the user chose. The temporary name keeps the target's extension, because
// several engines pick the output format from it.
class PendingOutput {
public:
    explicit PendingOutput(std::filesystem::path target);

    const std::filesystem::path& Target() const { return target_; }
    // Where the work writes.
    const std::filesystem::path& WorkPath() const { return work_path_; }

    // Moves the work file onto the target (replacing it); false with the reason otherwise.
    bool Commit(std::string* error);

    // Removes the work file unless it was committed.
    ~PendingOutput();
    PendingOutput(const PendingOutput&) = delete;
    PendingOutput& operator=(const PendingOutput&) = delete;

private:
    std::filesystem::path target_;
    std::filesystem::path work_path_;
    bool committed_ = false;
};

// The end of a handler that wrote one file: a task cancelled meanwhile fails and commits
// nothing; otherwise the work file takes the target's name and the progress shows 100.
TaskOutcome CommitTaskOutput(PendingOutput& output, TaskContext& context);

}  // namespace convcore
