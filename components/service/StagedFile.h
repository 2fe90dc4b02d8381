#pragma once

#include <filesystem>
#include <fstream>
#include <string>
#include <string_view>

namespace service {

// A file written under a temporary name beside its target and renamed over it only when
// complete, so that no reader ever sees part of it. Removed unless committed.
class StagedFile {
public:
    explicit StagedFile(std::filesystem::path target);
    ~StagedFile();
    StagedFile(const StagedFile&) = delete;
    StagedFile& operator=(const StagedFile&) = delete;

    bool IsOpen() const { return stream_.is_open(); }
    bool Write(std::string_view bytes);
    bool Commit(std::string* error);

private:
    std::filesystem::path target_;
    std::filesystem::path temporary_;
    std::ofstream stream_;
    bool committed_ = false;
};

// Copies (a hard link when the file system allows) `from` to `to` by way of a temporary name.
bool CopyFileStaged(const std::filesystem::path& from, const std::filesystem::path& to,
                    std::string* error);

}  // namespace service
