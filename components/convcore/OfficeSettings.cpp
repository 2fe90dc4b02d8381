#include "convcore/OfficeSettings.h"

#include <charconv>
#include <cstdlib>
#include <string_view>
#include <system_error>

#include "convcore/LibreOfficePdf.h"
#include "platform/Paths.h"

namespace convcore {
namespace {

namespace fs = std::filesystem;

constexpr char kHelperName[] = "quire-office";
constexpr long kLongestSeconds = 24 * 3600;

std::optional<std::chrono::seconds> SecondsFromEnvironment(const char* name) {
    const char* text = std::getenv(name);
    if (text == nullptr)
        return std::nullopt;
    const std::string_view value(text);
    long seconds = 0;
    const auto [stop, failure] =
        std::from_chars(value.data(), value.data() + value.size(), seconds);
    if (failure != std::errc() || stop != value.data() + value.size() || seconds <= 0 ||
        seconds > kLongestSeconds)
        return std::nullopt;
    return std::chrono::seconds(seconds);
}

}  // namespace

bool IsLibreOfficeProgramFolder(const fs::path& folder) {
    std::error_code failure;
    // The merged build keeps nearly everything in one library; a split build starts from the
    // application library. LibreOfficeKit loads whichever is there.
    return fs::is_regular_file(folder / "libmergedlo.so", failure) ||
           fs::is_regular_file(folder / "libsofficeapp.so", failure);
}

fs::path FindLibreOfficeProgramFolder() {
    const fs::path soffice = FindLibreOffice();
    if (soffice.empty())
        return {};
    std::error_code failure;
    const fs::path folder = fs::canonical(soffice, failure).parent_path();
    return !failure && IsLibreOfficeProgramFolder(folder) ? folder : fs::path();
}

std::optional<OfficeSettings> DefaultOfficeSettings(std::string* error) {
    const auto runtime = platform::PrivateSubfolder("office");
    if (!runtime) {
        *error = "no private folder for the LibreOffice helper";
        return std::nullopt;
    }
    OfficeSettings settings;
    settings.helper = platform::ProgramFolder() / kHelperName;
    settings.install_folder = FindLibreOfficeProgramFolder();
    settings.runtime_folder = *runtime;
    settings.cache_folder = platform::CacheFolder();
    settings.idle = SecondsFromEnvironment("QUIRE_OFFICE_IDLE_SECONDS").value_or(settings.idle);
    settings.job_limit =
        SecondsFromEnvironment("QUIRE_OFFICE_JOB_SECONDS").value_or(settings.job_limit);
    return settings;
}

}  // namespace convcore
