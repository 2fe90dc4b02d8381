#pragma once

#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "convcore/PendingOutput.h"

namespace convcore {

// The files one task writes, each under its own PendingOutput. They are moved into place
// together at the end, so that a task that fails or is cancelled half-way leaves none of them.
class OutputSet {
public:
    // Where the work for `target` writes.
    const std::filesystem::path& Add(const std::filesystem::path& target);
    std::size_t Count() const { return outputs_.size(); }

    // Moves every file into place; when one cannot be moved, the ones already moved are removed
    // again and the rest are dropped with the set.
    bool CommitAll(std::string* error);

private:
    std::vector<std::unique_ptr<PendingOutput>> outputs_;
};

// The folder the outputs go to, made when it is missing. A folder this task made is removed
// again (when empty) unless Keep() was called, so a failed task leaves nothing behind.
class OutputFolder {
public:
    explicit OutputFolder(std::filesystem::path folder) : folder_(std::move(folder)) {}
    ~OutputFolder();
    OutputFolder(const OutputFolder&) = delete;
    OutputFolder& operator=(const OutputFolder&) = delete;

    // False with the reason when the folder is not there and cannot be made.
    bool Prepare(std::string* error);
    void Keep() { created_.clear(); }

private:
    std::filesystem::path folder_;
    std::vector<std::filesystem::path> created_;  // the levels this task made, deepest first
};

// For a task with one output file: checks that `target` names a file and prepares `folder`,
// which must be the target's folder. False with the reason.
bool PrepareOutputFile(const std::filesystem::path& target, OutputFolder& folder,
                       std::string* error);

}  // namespace convcore
