#include "app/KExecCmd.h"

#include <cstdio>

#include "app/AsynLog.h"
#include "platform/NamedMutex.h"

namespace {

constexpr std::string_view kAsyncConvert = "async_convert";
constexpr std::string_view kUpdateFiles = "update_files";
constexpr std::string_view kWidget = "widget";
constexpr std::string_view kEnableMenu = "enable_menu";

}  // namespace

int KExecCmd::RunCmds() {
    int executed = 0;
    if (args_.HasValue(kAsyncConvert)) {
        RunFeedback();
        ++executed;
    }
    if (args_.HasKey(kUpdateFiles)) {
        RunUpdateFiles();
        ++executed;
    }
    if (args_.HasKey(kWidget)) {
        RunWidget();
        ++executed;
    }
    if (args_.HasKey(kEnableMenu)) {
        RunEnableMenu();
        ++executed;
    }
    return executed;
}

bool KExecCmd::RunFeedback() {
    const std::string file = args_.GetValue(kAsyncConvert);
    bool result = false;
    if (!jobs_.load_config || !jobs_.load_config()) {
        keasy::AsynLog::Instance().Print("KAppConfig::Instance()->LoadConfig failed");
    } else if (!file.empty() && jobs_.feedback_report) {
        result = jobs_.feedback_report(file);
    }
    keasy::AsynLog::Instance().Print("KExecCmd::RunFeedback return:%d, file:%ws", result ? 1 : 0,
                                     file);
    return result;
}

bool KExecCmd::RunUpdateFiles() {
    const bool result = jobs_.update_files && jobs_.update_files();
    keasy::AsynLog::Instance().Print("KExecCmd::RunUpdateFiles return:%d", result ? 1 : 0);
    return result;
}

// The caller reads our standard output: silence means the name was already there or belongs
// to another user. The name is released at once; only the answer matters.
void KExecCmd::RunWidget() {
    const auto created = platform::NamedMutex::Create(kWidgetMutexName);
    if (created.status == platform::NamedMutex::Status::AlreadyExists ||
        created.status == platform::NamedMutex::Status::AccessDenied) {
        return;
    }
    std::fputs("GetIHookWatcher fail\n", stdout);
    std::fflush(stdout);
}

// The file-manager menu entry is a .desktop association installed with the program; there is
// nothing to switch at run time, and so no reason to start an elevated copy either.
void KExecCmd::RunEnableMenu() {
    keasy::AsynLog::Instance().Print(
        "KExecCmd::EnableMenu value:%d ignored, no context-menu component",
        args_.GetInt(kEnableMenu));
}

KCmdArgs KExecCmd::FeedbackCommand(const std::string& program_path, const std::string& file) {
    KCmdArgs command(std::vector<std::string>{program_path});
    command.SetQuotedValue(kAsyncConvert, file);
    return command;
}

KCmdArgs KExecCmd::UpdateFilesCommand(const std::string& program_path) {
    KCmdArgs command(std::vector<std::string>{program_path});
    command.SetValue(kUpdateFiles, {});
    return command;
}
