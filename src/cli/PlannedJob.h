#pragma once

#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "cli/ProgressSink.h"

class ICvtTask;

namespace cli {

// One unit of a batch: the task made for a file (or for the files merged into one), or the
// reason it is not started.
struct PlannedJob {
    explicit PlannedJob(std::string source_label) : source(std::move(source_label)) {}
    // Detaches the sink and drops the creator's reference; a task still running ends on its
    // pool thread without reaching the sink.
    ~PlannedJob();
    PlannedJob(const PlannedJob&) = delete;
    PlannedJob& operator=(const PlannedJob&) = delete;

    std::string source;              // what the outcome line names
    std::string refusal;             // instead of a task: why the file is not started
    std::vector<std::string> notes;  // options the window would have changed for this file
    std::string result;              // the result file or folder shown on success
    // Overrides `result` once the task succeeded, for results known only then.
    std::function<std::string()> find_result;
    // Folders made for this job alone: removed with their content when it does not succeed.
    std::vector<std::filesystem::path> made_folders;
    // Files the task writes: a core killed mid-write leaves its hidden partial copy beside
    // them, which is removed when the job does not succeed.
    std::vector<std::filesystem::path> target_files;

    ProgressSink sink;  // outlives every progress call: the destructor detaches it first
    // The creator's reference of a task constructed with &sink; null for a refused file.
    ICvtTask* task = nullptr;
};

}  // namespace cli
