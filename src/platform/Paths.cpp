#include "platform/Paths.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <fstream>
#include <system_error>

namespace platform {
namespace fs = std::filesystem;
namespace {

std::string EnvOrEmpty(const char* name) {
    const char* value = std::getenv(name);
    return value ? std::string(value) : std::string();
}

// Creates `folder` with `mode` when missing, then insists that it is a real folder (not a
// symlink) owned by us with no access for others. A folder of ours with looser bits is
// tightened; anything else is refused, since another user could read or plant files there.
bool EnsurePrivateFolder(const fs::path& folder) {
    if (::mkdir(folder.c_str(), 0700) != 0 && errno != EEXIST)
        return false;
    struct stat info {};
    if (::lstat(folder.c_str(), &info) != 0)
        return false;
    if (!S_ISDIR(info.st_mode) || info.st_uid != ::geteuid())
        return false;
    if ((info.st_mode & 077) != 0 && ::chmod(folder.c_str(), 0700) != 0)
        return false;
    return true;
}

// Reads one "XDG_..._DIR" entry of user-dirs.dirs: the value is quoted and may start with
// "$HOME/".
std::optional<fs::path> XdgUserDir(const std::string& key) {
    fs::path config = AbsoluteEnv("XDG_CONFIG_HOME").value_or(HomeFolder() / ".config");
    std::ifstream file(config / "user-dirs.dirs");
    std::string line;
    const std::string prefix = key + "=";
    while (std::getline(file, line)) {
        if (line.rfind(prefix, 0) != 0)
            continue;
        std::string value = line.substr(prefix.size());
        if (value.size() < 2 || value.front() != '"' || value.back() != '"')
            return std::nullopt;
        value = value.substr(1, value.size() - 2);
        if (value.rfind("$HOME", 0) == 0)
            return fs::path(HomeFolder().string() + value.substr(5));
        if (value.empty() || value.front() != '/')
            return std::nullopt;
        return fs::path(value);
    }
    return std::nullopt;
}

}  // namespace

std::optional<fs::path> AbsoluteEnv(const char* name) {
    std::string value = EnvOrEmpty(name);
    if (value.empty() || value.front() != '/')
        return std::nullopt;
    return fs::path(value);
}

fs::path ProgramFolder() {
    std::error_code error;
    fs::path exe = fs::read_symlink("/proc/self/exe", error);
    if (error)
        return fs::current_path(error);
    return exe.parent_path();
}

fs::path CacheFolder() {
    return AbsoluteEnv("XDG_CACHE_HOME").value_or(HomeFolder() / ".cache") / "quire";
}

fs::path HomeFolder() {
    if (auto home = AbsoluteEnv("HOME"))
        return *home;
    return fs::path("/");
}

fs::path UserFolder() {
    if (auto home = AbsoluteEnv("QUIRE_HOME"))
        return *home;
    if (auto config = AbsoluteEnv("XDG_CONFIG_HOME"))
        return *config / "quire";
    return HomeFolder() / ".config" / "quire";
}

fs::path ResolveReadPath(const fs::path& relative) {
    fs::path in_user = UserFolder() / relative;
    std::error_code error;
    if (fs::exists(in_user, error))
        return in_user;
    return ProgramFolder() / relative;
}

std::optional<fs::path> PrivateFolder() {
    fs::path folder;
    if (auto runtime = AbsoluteEnv("XDG_RUNTIME_DIR"))
        folder = *runtime / "quire";
    else
        folder = AbsoluteEnv("TMPDIR").value_or(fs::path("/tmp")) /
                 ("quire-" + std::to_string(::geteuid()));
    if (!EnsurePrivateFolder(folder))
        return std::nullopt;
    return folder;
}

std::optional<fs::path> PrivateSubfolder(const std::string& name) {
    auto base = PrivateFolder();
    if (!base)
        return std::nullopt;
    fs::path folder = *base / name;
    if (!EnsurePrivateFolder(folder))
        return std::nullopt;
    return folder;
}

std::optional<fs::path> MachineWideFolder() {
    const fs::path folder = "/tmp/quire-global";
    if (::mkdir(folder.c_str(), 01777) == 0)
        ::chmod(folder.c_str(), 01777);  // mkdir's mode is cut by the umask
    struct stat info {};
    if (::lstat(folder.c_str(), &info) != 0 || !S_ISDIR(info.st_mode))
        return std::nullopt;
    // Only a sticky folder stops other users from removing or replacing our lock files.
    if ((info.st_mode & S_ISVTX) == 0)
        return std::nullopt;
    return folder;
}

fs::path DesktopFolder() {
    return XdgUserDir("XDG_DESKTOP_DIR").value_or(HomeFolder() / "Desktop");
}

fs::path DocumentsFolder() {
    return XdgUserDir("XDG_DOCUMENTS_DIR").value_or(HomeFolder() / "Documents");
}

}  // namespace platform
