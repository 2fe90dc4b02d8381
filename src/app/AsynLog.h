#pragma once

#include <atomic>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <mutex>
#include <string>
#include <string_view>

#include "keasy/WorkerThread.h"
#include "platform/Format.h"

namespace keasy {

// The program's diagnostic log. Logging is switched on by the presence of the log file alone:
// without it every call returns at once and formats nothing. A line is formatted and stamped on
// the calling thread and appended by one writer thread, so callers never wait for the disk.
class AsynLog {
public:
    static AsynLog& Instance();

    // Opens <user folder>/<executable name>.log when that file already exists and writes the
    // "application started" banner. False when there is no such file or it cannot be opened.
    bool Init();
    bool Init(const std::filesystem::path& file);

    template <typename... Args>
    int Print(platform::FormatString<std::type_identity_t<Args>...> format, const Args&... args) {
        if (IsOpen())
            Enqueue(platform::Format(format, args...));
        return 0;
    }

    // The start-up mark "<step>: used time: <ms>": milliseconds since *step_tick, which then
    // becomes now, so each mark gives the duration of its own step.
    void LogUsedTime(std::uint32_t* step_tick, std::string_view step_name);

    bool IsOpen() const { return open_.load(std::memory_order_acquire); }

    // Returns once every line queued so far is written.
    void WaitIdle();
    void Close();

    ~AsynLog();
    AsynLog(const AsynLog&) = delete;
    AsynLog& operator=(const AsynLog&) = delete;

    // "2026-12-09 06:38:33 042  " for the given wall-clock time.
    static std::string TimeStamp(std::int64_t unix_ms);

private:
    AsynLog();
    void Enqueue(std::string message);
    int Write(std::string line);

    WorkerThread writer_;
    std::atomic<bool> open_{false};  // set under file_mutex_; read lock-free by Print
    std::mutex file_mutex_;          // guards file_ and path_
    FILE* file_ = nullptr;           // guarded by file_mutex_
    std::filesystem::path path_;     // guarded by file_mutex_
};

}  // namespace keasy
