#include "app/ContextMenuHandOver.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <optional>

#include "app/AsynLog.h"
#include "app/KIniFile.h"
#include "platform/Paths.h"
#include "platform/UniqueFd.h"

namespace context_menu {
namespace {

constexpr std::size_t kReadChunk = 64 * 1024;

bool IsSameFile(const struct stat& a, const struct stat& b) {
    return a.st_dev == b.st_dev && a.st_ino == b.st_ino;
}

// O_NOFOLLOW and the inode check close the gap between the lstat and the open, in which the
// file could be swapped for a link.
std::optional<std::string> ReadOwnFile(const std::filesystem::path& file,
                                       const struct stat& checked) {
    platform::UniqueFd fd(::open(file.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC));
    struct stat opened {};
    if (!fd || ::fstat(fd.Get(), &opened) != 0 || !IsSameFile(opened, checked))
        return std::nullopt;
    std::string bytes;
    char buffer[kReadChunk];
    for (;;) {
        const ssize_t got = ::read(fd.Get(), buffer, sizeof buffer);
        if (got < 0 && errno == EINTR)
            continue;
        if (got < 0)
            return std::nullopt;
        if (got == 0)
            return bytes;
        bytes.append(buffer, static_cast<std::size_t>(got));
        if (bytes.size() > KIniFile::kMaxFileBytes)
            return std::nullopt;
    }
}

std::vector<std::string> SplitPaths(const std::string& list) {
    std::vector<std::string> paths;
    std::size_t start = 0;
    while (start <= list.size()) {
        const std::size_t end = std::min(list.find('|', start), list.size());
        if (end > start)
            paths.push_back(list.substr(start, end - start));
        start = end + 1;
    }
    return paths;
}

}  // namespace

std::vector<std::string> TakeSelectedPaths() {
    const std::optional<std::filesystem::path> folder = platform::PrivateFolder();
    if (!folder) {
        keasy::AsynLog::Instance().Print("TakeSelectedPaths no private folder");
        return {};
    }
    return TakeSelectedPaths(*folder);
}

std::vector<std::string> TakeSelectedPaths(const std::filesystem::path& folder) {
    const std::filesystem::path file = folder / kHandOverFileName;
    struct stat info {};
    if (::lstat(file.c_str(), &info) != 0)
        return {};
    if (!S_ISREG(info.st_mode) || info.st_uid != ::geteuid()) {
        keasy::AsynLog::Instance().Print(
            "TakeSelectedPaths refused, not a regular file of ours, path:%ws, mode:%o, uid:%d",
            file.string(), info.st_mode, info.st_uid);
        return {};
    }
    const std::optional<std::string> bytes = ReadOwnFile(file, info);
    ::unlink(file.c_str());
    if (!bytes) {
        keasy::AsynLog::Instance().Print("TakeSelectedPaths unreadable path:%ws", file.string());
        return {};
    }
    KIniFile hand_over;
    hand_over.LoadBytes(*bytes, IniEncoding::kUtf16);
    return SplitPaths(hand_over.GetString("quiremenu", "selpath", ""));
}

}  // namespace context_menu
