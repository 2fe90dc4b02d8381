#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>

#include "platform/RegistryStore.h"
#include "report/UsageRecord.h"

// The local copy of sent usage records: one JSON object per line, appended to a file on this
// machine. Nothing here talks to the network. It is off unless the user switches it on.
namespace report {

// Environment variable naming the file; it wins over the setting.
inline constexpr const char* kUsageLogVariable = "QUIRE_USAGE_LOG";
// Registry setting (current user): DWORD 1 keeps records in <user folder>/usage.jsonl.
inline constexpr const char* kUsageRegistryKey = "Software\\Quire\\Usage";
inline constexpr const char* kUsageRecordValue = "Record";
inline constexpr const char* kUsageLogFileName = "usage.jsonl";

// A line longer than this is dropped (and logged) rather than written.
inline constexpr std::size_t kMaxUsageLineBytes = 1024 * 1024;

// {"schema":"name:id","name":…,"id":…,"fields":{…set fields in declaration order…},"time":…}
// with integers as JSON numbers, texts as JSON strings and the time in milliseconds since
// 1970 (UTC).
std::string UsageLogLine(const UsageRecord& record, std::int64_t unix_ms);

class UsageLogFile {
public:
    explicit UsageLogFile(std::filesystem::path path) : path_(std::move(path)) {}

    // Appends the record's line stamped with the current time. Each line is one write(2) on a
    // file opened with O_APPEND, so lines from several threads and processes never interleave.
    // Failures are logged and returned, never raised.
    bool Append(const UsageRecord& record) const;

    const std::filesystem::path& path() const { return path_; }

private:
    bool AppendLine(const std::string& line) const;

    std::filesystem::path path_;
};

// The file to keep records in: `variable_value` when it is a non-empty absolute path (a
// relative one is logged and ignored), else <user_folder>/usage.jsonl when the setting is 1,
// else none.
std::optional<std::filesystem::path> ResolveUsageLogPath(const char* variable_value,
                                                         const platform::RegistryStore& store,
                                                         const std::filesystem::path& user_folder);

// The same for this process: the environment, the registry store and the user folder, read at
// every call so that switching it on needs no restart.
std::optional<UsageLogFile> ConfiguredUsageLog();

}  // namespace report
