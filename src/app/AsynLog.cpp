#include "app/AsynLog.h"

#include <fcntl.h>
#include <time.h>

#include <chrono>

#include "keasy/ClassFunc.h"
#include "platform/Paths.h"
#include "platform/Tick.h"

namespace keasy {
namespace {

std::filesystem::path DefaultLogFile() {
    std::error_code error;
    std::filesystem::path exe = std::filesystem::read_symlink("/proc/self/exe", error);
    const std::string stem = error ? std::string("quire") : exe.stem().string();
    return platform::UserFolder() / (stem + ".log");
}

std::int64_t NowUnixMs() {
    using namespace std::chrono;
    return duration_cast<milliseconds>(system_clock::now().time_since_epoch()).count();
}

// Appends without following a symlink planted in place of the log, and with close-on-exec so
// that cores never inherit the descriptor.
FILE* OpenForAppend(const std::filesystem::path& file) {
    const int fd = ::open(file.c_str(), O_WRONLY | O_APPEND | O_CLOEXEC | O_NOFOLLOW);
    if (fd < 0)
        return nullptr;
    FILE* stream = ::fdopen(fd, "a");
    if (!stream)
        ::close(fd);
    return stream;
}

}  // namespace

AsynLog& AsynLog::Instance() {
    static AsynLog log;
    return log;
}

AsynLog::AsynLog() {
    writer_.Start();
}

AsynLog::~AsynLog() {
    WaitIdle();
    Close();
}

bool AsynLog::Init() {
    return Init(DefaultLogFile());
}

bool AsynLog::Init(const std::filesystem::path& file) {
    std::error_code error;
    if (!std::filesystem::exists(file, error))
        return false;
    {
        std::lock_guard guard(file_mutex_);
        if (file_)
            std::fclose(file_);
        file_ = OpenForAppend(file);
        if (!file_) {
            open_.store(false, std::memory_order_release);
            std::fprintf(stderr, "quire: cannot open the log %s for appending\n", file.c_str());
            return false;
        }
        path_ = file;
        open_.store(true, std::memory_order_release);
    }
    Print("__________ application started __________");
    return true;
}

void AsynLog::Enqueue(std::string message) {
    std::string line = TimeStamp(NowUnixMs());
    line += message;
    line += "\r\n";
    writer_.Post(MakeClassFunc(this, &AsynLog::Write, std::move(line)));
}

int AsynLog::Write(std::string line) {
    std::lock_guard guard(file_mutex_);
    // The file may have been closed after the line was queued; then the line is dropped.
    if (!file_)
        return 0;
    const int result = std::fputs(line.c_str(), file_);
    std::fflush(file_);
    return result;
}

void AsynLog::LogUsedTime(std::uint32_t* step_tick, std::string_view step_name) {
    const std::uint32_t now = platform::GetTickCount();
    Print("%s: used time: %d", step_name, static_cast<std::int32_t>(now - *step_tick));
    *step_tick = now;
}

void AsynLog::WaitIdle() {
    writer_.WaitIdle();
}

void AsynLog::Close() {
    std::lock_guard guard(file_mutex_);
    open_.store(false, std::memory_order_release);
    if (!file_)
        return;
    std::fclose(file_);
    file_ = nullptr;
    path_.clear();
}

std::string AsynLog::TimeStamp(std::int64_t unix_ms) {
    const time_t seconds = static_cast<time_t>(unix_ms / 1000);
    tm local{};
    ::localtime_r(&seconds, &local);
    return platform::Format("%04d-%02d-%02d %02d:%02d:%02d %03d  ", local.tm_year + 1900,
                            local.tm_mon + 1, local.tm_mday, local.tm_hour, local.tm_min,
                            local.tm_sec, static_cast<int>(unix_ms % 1000));
}

}  // namespace keasy
