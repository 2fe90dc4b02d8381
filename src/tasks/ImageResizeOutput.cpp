#include "tasks/ImageResizeOutput.h"

#include <errno.h>
#include <fcntl.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <unistd.h>

#include "app/AsynLog.h"
#include "platform/Format.h"
#include "platform/UniqueFd.h"

namespace fs = std::filesystem;

namespace image_resize {
namespace {

// Beyond this many leftovers of one number the folder is not ours to fill.
constexpr int kMaxNameClashes = 1000;

// Removes a temporary file on every path that did not publish it.
struct TemporaryFile {
    std::string path;
    ~TemporaryFile() {
        if (!path.empty())
            ::unlink(path.c_str());
    }
};

// 0 or the errno of the failure.
int WriteAll(int fd, std::string_view bytes) {
    while (!bytes.empty()) {
        const ssize_t written = ::write(fd, bytes.data(), bytes.size());
        if (written < 0 && errno == EINTR)
            continue;
        if (written < 0)
            return errno;
        if (written == 0)
            return EIO;
        bytes.remove_prefix(static_cast<std::size_t>(written));
    }
    return 0;
}

// 0 or the errno of the failure. Not synced: a thumbnail lives in the temporary folder for one
// session and is remade when lost; the rename alone keeps readers from ever seeing part of it.
int WriteTemporary(const fs::path& folder, std::string_view bytes, TemporaryFile& file) {
    std::string pattern = (folder / ".resize-XXXXXX").string();
    platform::UniqueFd fd(::mkostemp(pattern.data(), O_CLOEXEC));
    if (!fd)
        return errno;
    file.path = pattern;
    if (const int error = WriteAll(fd.Get(), bytes))
        return error;
    return ::close(fd.Release()) == 0 ? 0 : errno;
}

// 0 or the errno of the failure; EEXIST when `to` is taken.
int MoveWithoutReplacing(const std::string& from, const std::string& to) {
    if (::renameat2(AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), RENAME_NOREPLACE) == 0)
        return 0;
    if (errno != EINVAL && errno != ENOSYS)
        return errno;
    // Some file systems lack the flag; a hard link is just as exclusive.
    if (::link(from.c_str(), to.c_str()) != 0)
        return errno;
    ::unlink(from.c_str());
    return 0;
}

std::string CandidateName(const std::string& number, int clash, const std::string& extension) {
    if (clash == 0)
        return platform::Format("%s.%s", number, extension);
    return platform::Format("%s(%d).%s", number, clash, extension);
}

void LogFailure(const char* step, const fs::path& folder, int error) {
    keasy::AsynLog::Instance().Print("ImageResizeImpl::PublishResult %s failed:%s, folder:%ws",
                                     step, ::strerror(error), folder.string());
}

}  // namespace

ResultCounter::ResultCounter(std::int32_t start)
    : value_(start >= 0 && start <= kLast ? start : 0) {}

ResultCounter& ResultCounter::Process() {
    static ResultCounter counter;
    return counter;
}

void ResultCounter::Advance() {
    std::int32_t current = value_.load();
    while (!value_.compare_exchange_weak(current, current >= kLast ? 0 : current + 1)) {
    }
}

std::string ResultExtension(const std::string& source_path) {
    const std::string name = fs::path(source_path).filename().string();
    const std::size_t dot = name.rfind('.');
    return dot == std::string::npos ? std::string() : name.substr(dot + 1);
}

std::optional<std::string> PublishResult(const fs::path& folder, const std::string& extension,
                                         std::string_view bytes, ResultCounter& counter) {
    // An empty folder would silently put the pictures in the working directory.
    if (folder.empty() || extension.empty())
        return std::nullopt;
    TemporaryFile file;
    if (const int error = WriteTemporary(folder, bytes, file)) {
        LogFailure("write", folder, error);
        return std::nullopt;
    }
    const std::string number = platform::Format("%10d", counter.Peek() + 1);
    for (int clash = 0; clash <= kMaxNameClashes; ++clash) {
        const std::string target = (folder / CandidateName(number, clash, extension)).string();
        const int error = MoveWithoutReplacing(file.path, target);
        if (error == EEXIST)
            continue;
        if (error != 0) {
            LogFailure("rename", folder, error);
            return std::nullopt;
        }
        file.path.clear();
        counter.Advance();
        return target;
    }
    LogFailure("name", folder, EEXIST);
    return std::nullopt;
}

}  // namespace image_resize
