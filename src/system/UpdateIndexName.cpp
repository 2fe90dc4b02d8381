#include "system/UpdateIndexName.h"

#include <algorithm>

#include "app/AsynLog.h"
#include "app/ProfileIni.h"
#include "platform/AtomicFile.h"
#include "platform/Format.h"
#include "platform/Text.h"

namespace update_index {
namespace {

constexpr std::string_view kCheckFile = "pdfsdk_convertersdk_heath";
// Real channel lists hold a handful of channels; the cap keeps a corrupt count from making us
// search millions of sections that cannot exist.
constexpr int kMaxChannels = 4096;

}  // namespace

std::string IndexNameFromChannelText(std::string_view text) {
    const auto channels = profile::ProfileDocument::Parse(text);
    const auto count_text = channels.Find("common", "ChannelCount");
    const int count =
        std::min(count_text ? platform::ParseIntLikeWtoi(*count_text) : 0, kMaxChannels);
    for (int n = 0; n < count; ++n) {
        const std::string channel = platform::Format("Channel%d", n);
        const auto check_file = channels.Find(channel, "CheckFile");
        if (!check_file || !platform::EqualsIgnoreAsciiCase(*check_file, kCheckFile))
            continue;
        const auto index_name = channels.Find(channel, "IndexName");
        if (index_name && !index_name->empty())
            return *index_name;
        keasy::AsynLog::Instance().Print("IndexNameFromChannelText %s has no IndexName", channel);
        break;
    }
    return std::string(kDefaultIndexName);
}

std::string ReadIndexName(const std::filesystem::path& program_folder) {
    const auto file = program_folder / kChannelFile;
    platform::ReadResult read = platform::ReadFileBounded(file, profile::kMaxFileBytes);
    if (read.status == platform::ReadStatus::Ok)
        return IndexNameFromChannelText(read.bytes);
    if (read.status != platform::ReadStatus::Missing) {
        const std::string why =
            read.status == platform::ReadStatus::TooLarge ? "too large" : read.error;
        keasy::AsynLog::Instance().Print("ReadIndexName unreadable path:%ws, error:%s",
                                         file.string(), why);
    }
    return std::string(kDefaultIndexName);
}

}  // namespace update_index
