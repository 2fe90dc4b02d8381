#include "app/KIniWrapper.h"

#include <fcntl.h>

#include <algorithm>

#include "app/AsynLog.h"
#include "app/ConfigPaths.h"
#include "platform/AtomicFile.h"
#include "platform/UniqueFd.h"

namespace cf::ini {

bool KIniWrapper::Parse(std::string_view text) {
    return IniDocument::Parse(text);
}

std::string KIniWrapper::Serialize() const {
    return IniDocument::Serialize();
}

bool KIniWrapper::Load(const std::filesystem::path& path, bool create) {
    Clear();
    platform::ReadResult read = platform::ReadFileBounded(path, kMaxFileBytes);
    if (read.status == platform::ReadStatus::Ok) {
        std::replace(read.bytes.begin(), read.bytes.end(), '\r', '\n');
        Parse(read.bytes);
        return true;
    }
    if (read.status == platform::ReadStatus::Missing)
        return create && CreateEmptyFile(path);
    keasy::AsynLog::Instance().Print("KIniWrapper::Load unreadable path:%ws, error:%s",
                                     path.string(), config::DescribeReadFailure(read));
    return false;
}

bool KIniWrapper::Save(const std::filesystem::path& path) const {
    return WriteWithBom(path, Serialize());
}

// Another process may create the file between our read and this call; like the Windows
// CREATE_NEW, that counts as failure rather than truncating what it wrote.
bool KIniWrapper::CreateEmptyFile(const std::filesystem::path& path) {
    if (!config::CreateMissingFolders(path.parent_path())) {
        keasy::AsynLog::Instance().Print("KIniWrapper::Load cannot create folder of path:%ws",
                                         path.string());
        return false;
    }
    platform::UniqueFd fd(::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600));
    if (!fd)
        keasy::AsynLog::Instance().Print("KIniWrapper::Load cannot create path:%ws", path.string());
    return fd.IsValid();
}

}  // namespace cf::ini
