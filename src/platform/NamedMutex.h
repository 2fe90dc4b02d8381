#pragma once

#include <memory>
#include <string>
#include <string_view>

namespace platform {

// A named, process-crossing mutex with the answers of the Windows one: a lock file held with an
// open-file-description lock. The kernel drops the lock when the holder dies, so a killed
// holder never leaves the name taken. Names starting with "Global\" are machine-wide (every
// user); other names are per user.
class NamedMutex {
public:
    enum class Status {
        Created,        // we hold the name now
        AlreadyExists,  // someone holds it
        AccessDenied,   // it exists and we may not even open it (another user's)
        Failed,         // the lock folder is unusable
    };

    struct CreateResult {
        Status status;
        std::unique_ptr<NamedMutex> mutex;  // set only when status is Created
    };

    // Tries once; never waits.
    static CreateResult Create(std::string_view name);

    // Whether some process holds the name, without taking it.
    static bool IsHeld(std::string_view name);

    ~NamedMutex();
    NamedMutex(const NamedMutex&) = delete;
    NamedMutex& operator=(const NamedMutex&) = delete;

    const std::string& LockFilePath() const { return path_; }

private:
    NamedMutex(int fd, std::string path) : fd_(fd), path_(std::move(path)) {}

    int fd_;
    std::string path_;
};

// The lock file of a name: "Global\" names in the machine-wide folder, others in the per-user
// private folder; characters that are not safe in a file name are percent-escaped. Empty when
// the folder is not usable.
std::string NamedMutexLockPath(std::string_view name);

}  // namespace platform
