#pragma once

#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstddef>
#include <filesystem>
#include <string>
#include <string_view>

// What quire-core and its LibreOffice helper (quire-office) agree on. A helper serves one slot:
// one LibreOffice profile, one socket, one job at a time. A job is one connection: the core
// sends one JSON line, the helper answers with one JSON line and closes.
namespace officewire {

// Request members.
inline constexpr char kSourceKey[] = "source";      // absolute path of the document
inline constexpr char kTargetKey[] = "target";      // absolute path of the PDF to write
inline constexpr char kPasswordKey[] = "password";  // optional open password
// Optional: what to write, "pdf" when absent; "doc" and "xls" save Word and Excel documents in
// the older binary formats.
inline constexpr char kFormatKey[] = "format";
// Reply members.
inline constexpr char kOkKey[] = "ok";        // true when the PDF was written
inline constexpr char kErrorKey[] = "error";  // why not

// A request or reply longer than this is refused: paths and a password never come near it.
inline constexpr std::size_t kMaxLineBytes = 64 * 1024;

// The helper's command line, "<flag><value>" each; every one is required.
inline constexpr char kSlotFlag[] = "--slot=";
inline constexpr char kRuntimeFolderFlag[] = "--runtime-folder=";
inline constexpr char kCacheFolderFlag[] = "--cache-folder=";
inline constexpr char kInstallFolderFlag[] = "--install-folder=";  // LibreOffice's program folder
inline constexpr char kIdleSecondsFlag[] = "--idle-seconds=";
inline constexpr char kJobSecondsFlag[] = "--job-seconds=";  // the core's limit for one job

// Helper exit codes, so that the core can say why a helper it started went away.
enum HelperExit {
    kExitDone = 0,  // idle, or its socket was taken or removed
    kExitBadArguments = 2,
    kExitProfileBusy = 3,  // another helper still runs on this slot's profile
    kExitProfileUnwritable = 4,
    kExitNoLibreOffice = 5,  // LibreOfficeKit did not start
    kExitNoSocket = 6,
    kExitJobTooLong = 7,  // a job outlived the core's limit and nobody stopped it
};

// A slot's files in the per-user runtime folder: the helper's socket, the lock a core holds
// while it uses the slot, the helper's pid, its log and LibreOffice's temporary folder.
inline std::filesystem::path SlotFile(const std::filesystem::path& runtime_folder, int slot,
                                      std::string_view suffix) {
    return runtime_folder / ("slot-" + std::to_string(slot) + std::string(suffix));
}
inline constexpr char kSocketSuffix[] = ".sock";
inline constexpr char kSlotLockSuffix[] = ".lock";
inline constexpr char kPidSuffix[] = ".pid";
inline constexpr char kLogSuffix[] = ".log";
inline constexpr char kTempSuffix[] = ".tmp";

// A slot's LibreOffice profile in the user's cache folder. It outlives the helper so that the
// next start of the slot is quicker; its lock is held by the helper for its whole life, so that
// two helpers never share a profile (LibreOffice silently drops jobs when they do).
inline std::filesystem::path ProfileFolder(const std::filesystem::path& cache_folder, int slot) {
    return cache_folder / ("office-profile-" + std::to_string(slot));
}
inline std::filesystem::path ProfileLock(const std::filesystem::path& cache_folder, int slot) {
    return cache_folder / ("office-profile-" + std::to_string(slot) + ".lock");
}

enum class LineRead {
    kComplete,  // `buffer` holds a newline; the line is what precedes it
    kPending,   // nothing more within the wait
    kClosed,    // the peer closed (or the socket failed) before a whole line arrived
    kTooLong,
};

// Adds whatever arrives within `wait_ms` to `buffer`.
inline LineRead ReadLineSome(int fd, std::string* buffer, int wait_ms) {
    if (buffer->find('\n') != std::string::npos)
        return LineRead::kComplete;
    pollfd watch{fd, POLLIN, 0};
    const int ready = ::poll(&watch, 1, wait_ms);
    if (ready < 0 && errno == EINTR)
        return LineRead::kPending;
    if (ready < 0)
        return LineRead::kClosed;
    if (ready == 0)
        return LineRead::kPending;
    char chunk[4096];
    const ssize_t got = ::recv(fd, chunk, sizeof chunk, MSG_DONTWAIT);
    if (got < 0 && (errno == EAGAIN || errno == EINTR))
        return LineRead::kPending;
    if (got <= 0)
        return LineRead::kClosed;
    buffer->append(chunk, static_cast<std::size_t>(got));
    if (buffer->find('\n') != std::string::npos)
        return LineRead::kComplete;
    return buffer->size() > kMaxLineBytes ? LineRead::kTooLong : LineRead::kPending;
}

// Sends `text` (a whole line, newline included) within `limit`; false when it could not.
inline bool WriteText(int fd, std::string_view text, std::chrono::milliseconds limit) {
    using Clock = std::chrono::steady_clock;
    const Clock::time_point end = Clock::now() + limit;
    std::size_t sent = 0;
    while (sent < text.size()) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(end - Clock::now());
        if (left.count() <= 0)
            return false;
        pollfd watch{fd, POLLOUT, 0};
        const int ready = ::poll(&watch, 1, static_cast<int>(left.count()));
        if (ready < 0 && errno == EINTR)
            continue;
        if (ready <= 0)
            return false;
        const ssize_t wrote =
            ::send(fd, text.data() + sent, text.size() - sent, MSG_NOSIGNAL | MSG_DONTWAIT);
        if (wrote < 0 && (errno == EAGAIN || errno == EINTR))
            continue;
        if (wrote < 0)
            return false;
        sent += static_cast<std::size_t>(wrote);
    }
    return true;
}

}  // namespace officewire
