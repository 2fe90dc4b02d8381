#include "report/UsageLogFile.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <system_error>

#include "app/AsynLog.h"
#include "platform/Format.h"
#include "platform/Paths.h"
#include "platform/UniqueFd.h"
#include "report/JsonText.h"

namespace report {
namespace {

void AppendValue(std::string& out, const FieldValue& value) {
    if (const auto* number = std::get_if<std::int64_t>(&value))
        out += std::to_string(*number);
    else
        AppendJsonString(out, std::get<std::string>(value));
}

void AppendFields(std::string& out, const UsageRecord& record) {
    out += '{';
    bool first = true;
    for (std::size_t i = 0; i < record.values().size(); ++i) {
        const auto& value = record.values()[i];
        if (!value)
            continue;
        if (!first)
            out += ',';
        first = false;
        AppendJsonString(out, record.schema().fields[i].name);
        out += ':';
        AppendValue(out, *value);
    }
    out += '}';
}

// strerror is not thread-safe and records are appended from several threads.
std::string ErrorText(int error_number) {
    return std::generic_category().message(error_number);
}

std::int64_t NowUnixMs() {
    const auto now = std::chrono::system_clock::now().time_since_epoch();
    return std::chrono::duration_cast<std::chrono::milliseconds>(now).count();
}

}  // namespace

std::string UsageLogLine(const UsageRecord& record, std::int64_t unix_ms) {
    const RecordSchema& schema = record.schema();
    std::string line = "{\"schema\":";
    AppendJsonString(line, platform::Format("%s:%d", schema.name, schema.id));
    line += ",\"name\":";
    AppendJsonString(line, schema.name);
    line += ",\"id\":" + std::to_string(schema.id) + ",\"fields\":";
    AppendFields(line, record);
    line += ",\"time\":" + std::to_string(unix_ms) + "}\n";
    return line;
}

bool UsageLogFile::Append(const UsageRecord& record) const {
    return AppendLine(UsageLogLine(record, NowUnixMs()));
}

// O_NONBLOCK keeps a FIFO without a reader from blocking the sender; it changes nothing for
// regular files.
bool UsageLogFile::AppendLine(const std::string& line) const {
    auto& log = keasy::AsynLog::Instance();
    if (line.size() > kMaxUsageLineBytes) {
        log.Print("UsageLogFile::Append line of %u bytes dropped, path:%ws", line.size(),
                  path_.string());
        return false;
    }
    platform::UniqueFd fd(
        ::open(path_.c_str(), O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC | O_NONBLOCK, 0600));
    if (!fd) {
        const int error = errno;
        log.Print("UsageLogFile::Append open failed:%s, path:%ws", ErrorText(error),
                  path_.string());
        return false;
    }
    ssize_t written;
    do {
        written = ::write(fd.Get(), line.data(), line.size());
    } while (written < 0 && errno == EINTR);
    const int error = errno;
    if (written == static_cast<ssize_t>(line.size()))
        return true;
    // Writing the rest separately could split the line around another writer's, so a short
    // write is left as it is and reported.
    log.Print("UsageLogFile::Append wrote:%d of %u, error:%s, path:%ws", written, line.size(),
              written < 0 ? ErrorText(error) : std::string("short write"), path_.string());
    return false;
}

std::optional<std::filesystem::path> ResolveUsageLogPath(const char* variable_value,
                                                         const platform::RegistryStore& store,
                                                         const std::filesystem::path& user_folder) {
    if (variable_value != nullptr && *variable_value != '\0') {
        std::filesystem::path path(variable_value);
        if (path.is_absolute())
            return path;
        keasy::AsynLog::Instance().Print("ResolveUsageLogPath relative path ignored:%ws",
                                         path.string());
    }
    const auto record =
        store.GetDword(platform::RegistryRoot::CurrentUser, kUsageRegistryKey, kUsageRecordValue);
    if (record.value_or(0) == 1)
        return user_folder / kUsageLogFileName;
    return std::nullopt;
}

std::optional<UsageLogFile> ConfiguredUsageLog() {
    auto path = ResolveUsageLogPath(std::getenv(kUsageLogVariable),
                                    platform::RegistryStore::Instance(), platform::UserFolder());
    if (!path)
        return std::nullopt;
    return UsageLogFile(std::move(*path));
}

}  // namespace report
