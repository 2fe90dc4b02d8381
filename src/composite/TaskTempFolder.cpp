#include "composite/TaskTempFolder.h"

#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <system_error>

#include "app/AsynLog.h"
#include "platform/Format.h"

namespace fs = std::filesystem;

namespace {

// A folder left by a crashed process with our pid is skipped over, not reused.
constexpr int kNameAttempts = 16;

std::atomic<unsigned long long> g_folder_sequence{0};

}  // namespace

TaskTempFolder::TaskTempFolder(RootProvider root) : root_(std::move(root)) {}

TaskTempFolder::~TaskTempFolder() {
    Remove();
}

std::optional<fs::path> TaskTempFolder::Folder() {
    if (folder_)
        return folder_;
    const std::optional<fs::path> root = root_ ? root_() : std::nullopt;
    if (!root) {
        keasy::AsynLog::Instance().Print("TaskTempFolder::Folder no private temp folder");
        return std::nullopt;
    }
    for (int attempt = 0; attempt < kNameAttempts; ++attempt) {
        const fs::path folder =
            *root /
            platform::Format("task-%d-%llu", static_cast<int>(::getpid()), ++g_folder_sequence);
        if (::mkdir(folder.c_str(), 0700) == 0) {
            folder_ = folder;
            return folder_;
        }
        if (errno != EEXIST)
            break;
    }
    keasy::AsynLog::Instance().Print("TaskTempFolder::Folder create fail, root:%ws, errno:%d",
                                     root->string(), errno);
    return std::nullopt;
}

void TaskTempFolder::Remove() {
    if (!folder_)
        return;
    std::error_code error;
    fs::remove_all(*folder_, error);
    if (error)
        keasy::AsynLog::Instance().Print("TaskTempFolder::Remove fail, path:%ws, error:%s",
                                         folder_->string(), error.message());
    folder_.reset();
}

void TaskTempFolder::Restrict(const fs::path& file) {
    ::chmod(file.c_str(), 0600);
}
