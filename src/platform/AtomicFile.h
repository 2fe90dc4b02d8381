#pragma once

#include <sys/types.h>

#include <chrono>
#include <cstddef>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

// Files that several processes of the program share: a reader must never see half a write, a
// failed write must never damage what was there, and a file from outside must never make us
// read without bound or wait forever.
namespace platform {

// Writes `bytes` to a new file beside `path`, syncs it and renames it over `path`, then syncs
// the folder. On failure the temporary file is removed, `path` keeps its old content and
// `error` (when given) says what failed. The one exception is a failed folder sync after the
// rename: `path` then already holds the new bytes but may not survive a power loss, and the
// call still returns false. `mode` is passed to open(2), so the umask applies.
//
// kUnsynced skips both syncs, for caches that may be lost but never half-written: a reader sees
// the old file or the new one, and after a power loss possibly an empty one.
enum class Durability { kSynced, kUnsynced };
bool WriteFileAtomically(const std::filesystem::path& path, std::string_view bytes,
                         mode_t mode = 0644, std::string* error = nullptr,
                         Durability durability = Durability::kSynced);

enum class ReadStatus { Ok, Missing, TooLarge, Error };

struct ReadResult {
    ReadStatus status = ReadStatus::Error;
    std::string bytes;  // the whole file when status is Ok, else empty
    std::string error;  // why, when status is Error
};

// Reads a regular file of at most `max_bytes`, never reading more than `max_bytes + 1`. A file
// that is not regular (a folder, a pipe, a device) is an Error, so that it can never block.
ReadResult ReadFileBounded(const std::filesystem::path& path, std::size_t max_bytes);

// An exclusive flock(2) on a lock file, held until destruction. The lock belongs to the open
// file, so two FileLocks on one path exclude each other even inside one process.
class FileLock {
public:
    // Creates the lock file (mode 0600) when missing and polls for the lock until `timeout`
    // has passed; nullopt on time-out or when the lock file cannot be opened.
    static std::optional<FileLock> Acquire(const std::filesystem::path& lock_path,
                                           std::chrono::milliseconds timeout);

    FileLock(FileLock&& other) noexcept;
    FileLock& operator=(FileLock&& other) noexcept;
    FileLock(const FileLock&) = delete;
    FileLock& operator=(const FileLock&) = delete;
    ~FileLock();

private:
    explicit FileLock(int fd) : fd_(fd) {}
    void Release() noexcept;

    int fd_ = -1;
};

}  // namespace platform
