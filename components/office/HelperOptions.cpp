#include "HelperOptions.h"

#include <charconv>
#include <string_view>

#include "office/OfficeProtocol.h"

namespace officehelper {
namespace {

constexpr long kLongestSeconds = 7 * 24 * 3600;
constexpr long kHighestSlot = 63;

bool ParseCount(std::string_view text, long lowest, long highest, long* value) {
    const char* end = text.data() + text.size();
    const auto [stop, failure] = std::from_chars(text.data(), end, *value);
    return failure == std::errc() && stop == end && *value >= lowest && *value <= highest;
}

// Absolute folders only: the helper runs in "/" and the core passes absolute paths.
bool ParseFolder(std::string_view text, std::filesystem::path* folder) {
    if (text.empty() || text.front() != '/')
        return false;
    *folder = std::filesystem::path(text);
    return true;
}

bool ParseSeconds(std::string_view text, std::chrono::seconds* seconds) {
    long value = 0;
    if (!ParseCount(text, 1, kLongestSeconds, &value))
        return false;
    *seconds = std::chrono::seconds(value);
    return true;
}

bool ParseOne(std::string_view argument, HelperOptions* options, bool* known) {
    auto value_of = [&](std::string_view flag, std::string_view* value) {
        if (argument.substr(0, flag.size()) != flag)
            return false;
        *value = argument.substr(flag.size());
        return true;
    };
    std::string_view value;
    *known = true;
    long slot = 0;
    if (value_of(officewire::kSlotFlag, &value)) {
        const bool ok = ParseCount(value, 0, kHighestSlot, &slot);
        options->slot = static_cast<int>(slot);
        return ok;
    }
    if (value_of(officewire::kRuntimeFolderFlag, &value))
        return ParseFolder(value, &options->runtime_folder);
    if (value_of(officewire::kCacheFolderFlag, &value))
        return ParseFolder(value, &options->cache_folder);
    if (value_of(officewire::kInstallFolderFlag, &value))
        return ParseFolder(value, &options->install_folder);
    if (value_of(officewire::kIdleSecondsFlag, &value))
        return ParseSeconds(value, &options->idle);
    if (value_of(officewire::kJobSecondsFlag, &value))
        return ParseSeconds(value, &options->job_limit);
    *known = false;
    return false;
}

}  // namespace

std::optional<HelperOptions> ParseHelperOptions(const std::vector<std::string>& arguments,
                                                std::string* error) {
    HelperOptions options;
    for (const std::string& argument : arguments) {
        bool known = false;
        if (ParseOne(argument, &options, &known))
            continue;
        *error = (known ? "bad value in " : "unknown argument ") + argument;
        return std::nullopt;
    }
    if (options.slot < 0 || options.runtime_folder.empty() || options.cache_folder.empty() ||
        options.install_folder.empty() || options.idle.count() == 0 ||
        options.job_limit.count() == 0) {
        *error =
            "every one of --slot, --runtime-folder, --cache-folder, --install-folder, "
            "--idle-seconds and --job-seconds is needed";
        return std::nullopt;
    }
    return options;
}

}  // namespace officehelper
