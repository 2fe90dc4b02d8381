#include "platform/NamedMutex.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

#include "platform/Paths.h"

namespace platform {
namespace {

constexpr std::string_view kGlobalPrefix = "Global\\";
constexpr std::string_view kLocalPrefix = "Local\\";

bool IsSafeNameChar(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '-' ||
           c == '_' || c == '{' || c == '}' || c == '.';
}

std::string EscapeName(std::string_view name) {
    static constexpr char kHex[] = "0123456789ABCDEF";
    std::string escaped;
    for (char c : name) {
        if (IsSafeNameChar(c)) {
            escaped += c;
            continue;
        }
        const auto byte = static_cast<unsigned char>(c);
        escaped += '%';
        escaped += kHex[byte >> 4];
        escaped += kHex[byte & 0xF];
    }
    // "." and ".." alone would name folders, not files.
    if (escaped.find_first_not_of('.') == std::string::npos)
        escaped = "%2E" + escaped.substr(1);
    return escaped;
}

// Opens the lock file without O_CREAT first: the kernel's protection of sticky folders refuses
// O_CREAT on another user's existing file even when its mode would allow us in. A machine-wide
// lock file is made writable for everyone so that any user can hold the name after its creator.
int OpenLockFile(const std::string& path, bool machine_wide) {
    for (int attempt = 0; attempt < 3; ++attempt) {
        int fd = ::open(path.c_str(), O_RDWR | O_CLOEXEC | O_NOFOLLOW);
        if (fd >= 0 || errno != ENOENT)
            return fd;
        fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC | O_NOFOLLOW, 0600);
        if (fd >= 0) {
            if (machine_wide)
                ::fchmod(fd, 0666);
            return fd;
        }
        if (errno != EEXIST)
            return -1;
    }
    return -1;
}

bool IsMachineWide(std::string_view name) {
    return name.substr(0, kGlobalPrefix.size()) == kGlobalPrefix;
}

bool TakeLock(int fd) {
    struct flock request {};
    request.l_type = F_WRLCK;
    request.l_whence = SEEK_SET;
    return ::fcntl(fd, F_OFD_SETLK, &request) == 0;
}

}  // namespace

std::string NamedMutexLockPath(std::string_view name) {
    std::optional<std::filesystem::path> folder;
    if (IsMachineWide(name)) {
        name.remove_prefix(kGlobalPrefix.size());
        folder = MachineWideFolder();
    } else {
        if (name.substr(0, kLocalPrefix.size()) == kLocalPrefix)
            name.remove_prefix(kLocalPrefix.size());
        folder = PrivateSubfolder("locks");
    }
    if (!folder || name.empty())
        return {};
    return (*folder / (EscapeName(name) + ".lock")).string();
}

NamedMutex::CreateResult NamedMutex::Create(std::string_view name) {
    std::string path = NamedMutexLockPath(name);
    if (path.empty())
        return {Status::Failed, nullptr};
    // A file we may not open for writing belongs to another user who keeps it to themselves:
    // the Windows answer for a mutex created with other rights is "access denied".
    int fd = OpenLockFile(path, IsMachineWide(name));
    if (fd < 0)
        return {errno == EACCES || errno == EPERM ? Status::AccessDenied : Status::Failed, nullptr};
    if (!TakeLock(fd)) {
        const int error = errno;
        ::close(fd);
        return {error == EAGAIN || error == EACCES ? Status::AlreadyExists : Status::Failed,
                nullptr};
    }
    return {Status::Created, std::unique_ptr<NamedMutex>(new NamedMutex(fd, std::move(path)))};
}

bool NamedMutex::IsHeld(std::string_view name) {
    std::string path = NamedMutexLockPath(name);
    if (path.empty())
        return false;
    int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW);
    if (fd < 0)
        return false;
    struct flock probe {};
    probe.l_type = F_WRLCK;
    probe.l_whence = SEEK_SET;
    const bool held = ::fcntl(fd, F_OFD_GETLK, &probe) == 0 && probe.l_type != F_UNLCK;
    ::close(fd);
    return held;
}

NamedMutex::~NamedMutex() {
    // The file stays: removing it would let a second creator lock a fresh inode while a third
    // still holds the old one open, and both would think they own the name.
    ::close(fd_);
}

}  // namespace platform
