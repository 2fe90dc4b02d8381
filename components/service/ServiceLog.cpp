#include "service/ServiceLog.h"

#include <array>
#include <chrono>
#include <ctime>

namespace service {
namespace {

std::string TimeStamp() {
    const auto now = std::chrono::system_clock::now();
    const std::time_t seconds = std::chrono::system_clock::to_time_t(now);
    const auto millis =
        std::chrono::duration_cast<std::chrono::milliseconds>(now.time_since_epoch()).count() %
        1000;
    std::tm parts{};
    gmtime_r(&seconds, &parts);
    std::array<char, 40> text{};
    const std::size_t length = std::strftime(text.data(), text.size(), "%Y-%m-%d %H:%M:%S", &parts);
    std::snprintf(text.data() + length, text.size() - length, ".%03d", static_cast<int>(millis));
    return text.data();
}

}  // namespace

ServiceLog::ServiceLog(const std::filesystem::path& file) {
    if (!file.empty())
        file_ = std::fopen(file.c_str(), "ae");
    if (!file.empty() && file_ == nullptr)
        std::fprintf(stderr, "quire-service: cannot open log %s, logging to stderr\n",
                     file.c_str());
}

ServiceLog::~ServiceLog() {
    if (file_ != nullptr)
        std::fclose(file_);
}

void ServiceLog::Write(const std::string& line) {
    const std::string stamped = TimeStamp() + " " + line + "\n";
    std::lock_guard lock(mutex_);
    std::FILE* out = file_ != nullptr ? file_ : stderr;
    std::fputs(stamped.c_str(), out);
    std::fflush(out);
}

}  // namespace service
