#include "system/ComponentFiles.h"

#include <sys/stat.h>

#include <cerrno>
#include <string>

#include "app/AsynLog.h"
#include "platform/AtomicFile.h"
#include "platform/NamedMutex.h"
#include "platform/Paths.h"

namespace components {
namespace {

namespace fs = std::filesystem;

bool IsFolder(const fs::path& path) {
    struct stat info {};
    return ::stat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

// The user folder holds the user's data, so every folder made on the way gets mode 0700.
bool EnsurePrivateFolder(const fs::path& folder) {
    if (IsFolder(folder))
        return true;
    fs::path partial;
    for (const fs::path& part : folder) {
        partial /= part;
        if (::mkdir(partial.c_str(), 0700) != 0 && errno != EEXIST)
            return false;
    }
    return IsFolder(folder);
}

void EnsureMarker(const fs::path& user_folder) {
    const fs::path marker = user_folder / kMarkerFileName;
    std::error_code ignored;
    if (fs::exists(marker, ignored))
        return;
    std::string error = "cannot create the folder";
    if (EnsurePrivateFolder(user_folder) &&
        platform::WriteFileAtomically(marker, " ", 0600, &error)) {
        return;
    }
    keasy::AsynLog::Instance().Print("IsNeedUpdate marker not written path:%ws, error:%s",
                                     marker.string(), error);
}

}  // namespace

bool ComponentsPresent(const fs::path& program_folder) {
    for (std::string_view name : kRequiredFiles) {
        std::error_code ignored;
        if (!fs::is_regular_file(program_folder / name, ignored)) {
            keasy::AsynLog::Instance().Print("ComponentsPresent missing:%ws",
                                             (program_folder / name).string());
            return false;
        }
    }
    return true;
}

bool ComponentsPresent() {
    return ComponentsPresent(platform::ProgramFolder());
}

bool IsNeedUpdate(const fs::path& program_folder, const fs::path& user_folder) {
    EnsureMarker(user_folder);
    return !ComponentsPresent(program_folder);
}

bool IsNeedUpdate() {
    return IsNeedUpdate(platform::ProgramFolder(), platform::UserFolder());
}

bool IsUpdating() {
    if (!platform::NamedMutex::IsHeld(kUpdateMutexName))
        return false;
    keasy::AsynLog::Instance().Print("pdfsdk is updating");
    return true;
}

}  // namespace components
