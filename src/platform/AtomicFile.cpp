#include "platform/AtomicFile.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <system_error>
#include <thread>
#include <utility>

#include "platform/UniqueFd.h"

namespace platform {
namespace fs = std::filesystem;
namespace {

using Clock = std::chrono::steady_clock;

constexpr std::size_t kReadChunk = 64 * 1024;
constexpr int kTemporaryNameAttempts = 16;
// Short enough that a waiter notices a released lock quickly, since flock has no queue.
constexpr Clock::duration kLockPollInterval = std::chrono::milliseconds(1);

std::string Describe(std::string_view what, const fs::path& path, int error_number) {
    return std::string(what) + " " + path.string() + ": " +
           std::generic_category().message(error_number);
}

void SetError(std::string* error, std::string message) {
    if (error)
        *error = std::move(message);
}

fs::path FolderOf(const fs::path& path) {
    fs::path folder = path.parent_path();
    return folder.empty() ? fs::path(".") : folder;
}

// The counter separates our own threads, the pid other processes, and the clock a reused pid;
// O_EXCL settles whatever collision is left.
fs::path TemporaryNameFor(const fs::path& path) {
    static std::atomic<unsigned> counter{0};  // atomic, needs no lock
    const auto now = Clock::now().time_since_epoch().count();
    std::string name = "." + path.filename().string() + ".tmp-" + std::to_string(::getpid()) + "-" +
                       std::to_string(counter++) + "-" + std::to_string(now);
    return FolderOf(path) / name;
}

int CreateTemporary(const fs::path& path, mode_t mode, fs::path* temporary, std::string* error) {
    for (int attempt = 0; attempt < kTemporaryNameAttempts; ++attempt) {
        *temporary = TemporaryNameFor(path);
        const int fd = ::open(temporary->c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, mode);
        if (fd >= 0)
            return fd;
        if (errno != EEXIST) {
            SetError(error, Describe("create", *temporary, errno));
            return -1;
        }
    }
    SetError(error, "no free temporary name beside " + path.string());
    return -1;
}

int WriteAll(int fd, std::string_view bytes) {
    while (!bytes.empty()) {
        const ssize_t written = ::write(fd, bytes.data(), bytes.size());
        if (written < 0 && errno == EINTR)
            continue;
        if (written < 0)
            return errno;
        bytes.remove_prefix(static_cast<std::size_t>(written));
    }
    return 0;
}

// Always closes `fd`: a close error can be the first report of a failed delayed write.
bool FillAndClose(int fd, const fs::path& temporary, std::string_view bytes, bool sync,
                  std::string* error) {
    int failure = WriteAll(fd, bytes);
    const char* step = "write";
    if (failure == 0 && sync && ::fsync(fd) != 0) {
        failure = errno;
        step = "sync";
    }
    if (::close(fd) != 0 && failure == 0) {
        failure = errno;
        step = "close";
    }
    if (failure != 0)
        SetError(error, Describe(step, temporary, failure));
    return failure == 0;
}

// Some file systems cannot sync a folder (EINVAL); the rename is then as durable as they allow.
bool SyncFolder(const fs::path& folder, std::string* error) {
    UniqueFd fd(::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (fd.Get() < 0) {
        SetError(error, Describe("open folder", folder, errno));
        return false;
    }
    if (::fsync(fd.Get()) != 0 && errno != EINVAL) {
        SetError(error, Describe("sync folder", folder, errno));
        return false;
    }
    return true;
}

ReadResult Failure(std::string message) {
    ReadResult result;
    result.status = ReadStatus::Error;
    result.error = std::move(message);
    return result;
}

ReadResult WithStatus(ReadStatus status) {
    ReadResult result;
    result.status = status;
    return result;
}

// Stops as soon as one byte beyond `max_bytes` arrives: the file may have grown since fstat.
ReadResult ReadAtMost(int fd, const fs::path& path, std::size_t max_bytes, std::size_t expected) {
    ReadResult result;
    result.bytes.reserve(expected);
    for (;;) {
        const std::size_t room = max_bytes - result.bytes.size();
        const std::size_t want = room >= kReadChunk ? kReadChunk : room + 1;
        const std::size_t old_size = result.bytes.size();
        result.bytes.resize(old_size + want);
        const ssize_t got = ::read(fd, result.bytes.data() + old_size, want);
        const int read_error = errno;
        result.bytes.resize(old_size + (got > 0 ? static_cast<std::size_t>(got) : 0));
        if (got < 0 && read_error == EINTR)
            continue;
        if (got < 0)
            return Failure(Describe("read", path, read_error));
        if (got == 0)
            break;
        if (result.bytes.size() > max_bytes)
            return WithStatus(ReadStatus::TooLarge);
    }
    result.status = ReadStatus::Ok;
    return result;
}

}  // namespace

bool WriteFileAtomically(const fs::path& path, std::string_view bytes, mode_t mode,
                         std::string* error, Durability durability) {
    const bool sync = durability == Durability::kSynced;
    fs::path temporary;
    const int fd = CreateTemporary(path, mode, &temporary, error);
    if (fd < 0)
        return false;
    if (!FillAndClose(fd, temporary, bytes, sync, error)) {
        ::unlink(temporary.c_str());
        return false;
    }
    if (::rename(temporary.c_str(), path.c_str()) != 0) {
        SetError(error, Describe("rename over", path, errno));
        ::unlink(temporary.c_str());
        return false;
    }
    return !sync || SyncFolder(FolderOf(path), error);
}

// O_NONBLOCK keeps open(2) from hanging on a pipe planted at `path`; it has no effect on the
// regular files we go on to read.
ReadResult ReadFileBounded(const fs::path& path, std::size_t max_bytes) {
    UniqueFd fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY));
    if (fd.Get() < 0 && (errno == ENOENT || errno == ENOTDIR))
        return WithStatus(ReadStatus::Missing);
    if (fd.Get() < 0)
        return Failure(Describe("open", path, errno));
    struct stat info {};
    if (::fstat(fd.Get(), &info) != 0)
        return Failure(Describe("stat", path, errno));
    if (!S_ISREG(info.st_mode))
        return Failure(path.string() + " is not a regular file");
    const auto size = static_cast<std::uintmax_t>(info.st_size);
    if (size > max_bytes)
        return WithStatus(ReadStatus::TooLarge);
    return ReadAtMost(fd.Get(), path, max_bytes, static_cast<std::size_t>(size));
}

std::optional<FileLock> FileLock::Acquire(const fs::path& lock_path,
                                          std::chrono::milliseconds timeout) {
    const int fd = ::open(lock_path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOCTTY, 0600);
    if (fd < 0)
        return std::nullopt;
    FileLock lock(fd);
    const Clock::time_point deadline = Clock::now() + timeout;
    for (;;) {
        if (::flock(fd, LOCK_EX | LOCK_NB) == 0)
            return lock;
        if (errno == EINTR)
            continue;
        if (errno != EWOULDBLOCK)
            return std::nullopt;
        const Clock::time_point now = Clock::now();
        if (now >= deadline)
            return std::nullopt;
        std::this_thread::sleep_for(std::min(kLockPollInterval, deadline - now));
    }
}

FileLock::FileLock(FileLock&& other) noexcept : fd_(std::exchange(other.fd_, -1)) {}

FileLock& FileLock::operator=(FileLock&& other) noexcept {
    if (this != &other) {
        Release();
        fd_ = std::exchange(other.fd_, -1);
    }
    return *this;
}

FileLock::~FileLock() {
    Release();
}

// Unlocks before closing: a child forked while we held the lock shares the open file, and
// closing our descriptor alone would leave the lock held until the child exits.
void FileLock::Release() noexcept {
    if (fd_ < 0)
        return;
    ::flock(fd_, LOCK_UN);
    ::close(fd_);
    fd_ = -1;
}

}  // namespace platform
