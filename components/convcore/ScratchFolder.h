#pragma once

#include <filesystem>
#include <optional>
#include <string>

namespace convcore {

// A fresh folder (mode 0700), removed with everything in it when the object goes. Engines that
// leave files behind when they are killed get one as their temporary folder, so nothing of
// theirs outlives the task.
class ScratchFolder {
public:
    // A folder in `parent` whose name starts with `prefix`; nullopt when it cannot be made.
    static std::optional<ScratchFolder> Create(const std::filesystem::path& parent,
                                               const std::string& prefix);
    // The same in the per-user private runtime folder, for small files nobody else may see.
    static std::optional<ScratchFolder> CreatePrivate(const std::string& prefix);

    ScratchFolder(ScratchFolder&& other) noexcept;
    ScratchFolder& operator=(ScratchFolder&&) = delete;
    ScratchFolder(const ScratchFolder&) = delete;
    ScratchFolder& operator=(const ScratchFolder&) = delete;
    ~ScratchFolder();

    const std::filesystem::path& Path() const { return path_; }

private:
    explicit ScratchFolder(std::filesystem::path path) : path_(std::move(path)) {}

    std::filesystem::path path_;  // empty once moved from
};

}  // namespace convcore
