#pragma once

#include <filesystem>
#include <functional>
#include <optional>

// The folder of one task's intermediate files (decrypted copies, cut pages, documents on their
// way to pictures). Made on first use, mode 0700, under the per-user temp root, with a name no
// other task of any process shares; removed with everything in it when the task ends, so no
// decrypted copy outlives its task. Used by the task's own thread only.
class TaskTempFolder {
public:
    using RootProvider = std::function<std::optional<std::filesystem::path>()>;

    explicit TaskTempFolder(RootProvider root);
    ~TaskTempFolder();
    TaskTempFolder(const TaskTempFolder&) = delete;
    TaskTempFolder& operator=(const TaskTempFolder&) = delete;

    // Nullopt, with a log line, when no folder can be made.
    std::optional<std::filesystem::path> Folder();
    // A later Folder() makes a fresh one.
    void Remove();

    // The core writes with the user's umask; files here hold the user's documents, possibly
    // decrypted, so only the user may read them.
    static void Restrict(const std::filesystem::path& file);

private:
    RootProvider root_;
    std::optional<std::filesystem::path> folder_;
};
