#include "app/ConfigPaths.h"

#include <sys/stat.h>

#include <cerrno>
#include <system_error>

#include "platform/Paths.h"

namespace config {
namespace fs = std::filesystem;

Folders Folders::Current() {
    return Folders{platform::ProgramFolder(), platform::UserFolder()};
}

fs::path Folders::ReadPath(const fs::path& relative) const {
    const fs::path in_user = Writable(relative);
    std::error_code error;
    if (fs::exists(in_user, error))
        return in_user;
    return Shipped(relative);
}

std::string DescribeReadFailure(const platform::ReadResult& read) {
    switch (read.status) {
        case platform::ReadStatus::Missing:
            return "missing";
        case platform::ReadStatus::TooLarge:
            return "too large";
        case platform::ReadStatus::Ok:
        case platform::ReadStatus::Error:
            break;
    }
    return read.error;
}

bool CreateMissingFolders(const fs::path& folder) {
    if (folder.empty())
        return true;  // a bare file name lives in the current folder
    fs::path partial;
    for (const fs::path& part : folder) {
        partial /= part;
        if (::mkdir(partial.c_str(), 0700) != 0 && errno != EEXIST)
            return false;
    }
    std::error_code error;
    return fs::is_directory(folder, error);
}

}  // namespace config
