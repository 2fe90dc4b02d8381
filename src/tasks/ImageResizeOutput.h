#pragma once

#include <atomic>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

namespace image_resize {

// Numbers the resized pictures. Every resizer of the process shares one counter, so two windows
// never hand out the same name in one folder for long; a clash that does happen is settled when
// the file is published.
class ResultCounter {
public:
    // The last value before the counter starts again at 0.
    static constexpr std::int32_t kLast = 2147482646;

    // Starts at 0 when `start` is outside 0..kLast.
    explicit ResultCounter(std::int32_t start = 0);
    static ResultCounter& Process();

    std::int32_t Peek() const { return value_.load(); }
    // After a picture was published under Peek() + 1.
    void Advance();

private:
    std::atomic<std::int32_t> value_;  // shared by every resizer thread; changed lock-free
};

// The text after the last "." of the file name, or empty when the name has none. Folder names
// are never looked at: a dot in a folder must not turn part of the path into an extension.
std::string ResultExtension(const std::string& source_path);

// Writes `bytes` under a temporary name in `folder` and publishes it as "<n>.<extension>", with
// n = counter.Peek() + 1 right-aligned in ten characters, or as "<n>(1).<extension>",
// "<n>(2).<extension>", ... when that name is taken. An existing file is never replaced and the
// window never sees a half-written one. Advances the counter and returns the path on success;
// empty, with a log line, on failure.
std::optional<std::string> PublishResult(const std::filesystem::path& folder,
                                         const std::string& extension, std::string_view bytes,
                                         ResultCounter& counter);

}  // namespace image_resize
