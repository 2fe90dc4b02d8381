#pragma once

#include <cstdio>
#include <filesystem>
#include <mutex>
#include <string>

namespace service {

// One line per event, with a UTC time stamp, to a file or to stderr. Any thread.
class ServiceLog {
public:
    // An empty path, or one that cannot be opened, logs to stderr.
    explicit ServiceLog(const std::filesystem::path& file);
    ~ServiceLog();
    ServiceLog(const ServiceLog&) = delete;
    ServiceLog& operator=(const ServiceLog&) = delete;

    void Write(const std::string& line);

private:
    std::mutex mutex_;
    std::FILE* file_ = nullptr;  // mutex_; nullptr: stderr
};

}  // namespace service
