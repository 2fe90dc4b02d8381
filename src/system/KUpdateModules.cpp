#include "system/KUpdateModules.h"

#include <string>
#include <vector>

#include "app/AsynLog.h"
#include "platform/Paths.h"
#include "system/ComponentFiles.h"

namespace {

const std::vector<std::string> kUpdateArguments = {"-update_files"};

std::string CommandLineOf(const std::filesystem::path& executable) {
    std::string line = "\"" + executable.string() + "\"";
    for (const std::string& argument : kUpdateArguments)
        line += " " + argument;
    return line;
}

}  // namespace

KUpdateModules::Settings KUpdateModules::DefaultSettings() {
    const std::filesystem::path program_folder = platform::ProgramFolder();
    return {program_folder, platform::UserFolder(), program_folder / "quire"};
}

KUpdateModules& KUpdateModules::Instance() {
    static KUpdateModules instance(DefaultSettings());
    return instance;
}

bool KUpdateModules::UpdateByProcess() {
    auto& log = keasy::AsynLog::Instance();
    const std::string command_line = CommandLineOf(settings_.executable);
    std::lock_guard lock(mutex_);
    if (process_ && process_->IsAlive()) {
        log.Print("KUpdateModules::UpdateByProcess already running pid:%d", process_->Pid());
        return true;
    }
    log.Print("KUpdateModules::UpdateByProcess StartApp cmdline:%ws", command_line);
    std::string error;
    auto started = platform::Process::Spawn(settings_.executable, kUpdateArguments, &error);
    log.Print("KUpdateModules::UpdateByProcess return:%d, cmdline:%ws", started ? 1 : 0,
              command_line);
    if (!started) {
        log.Print("KUpdateModules::UpdateByProcess error:%s", error);
        return false;
    }
    process_ = std::move(started);
    return true;
}

bool KUpdateModules::IsFinished() {
    std::lock_guard lock(mutex_);
    if (!process_)
        return true;
    if (components::ComponentsPresent(settings_.program_folder) || !process_->IsAlive())
        return true;
    keasy::AsynLog::Instance().Print(
        "KUpdateModules::IsFinished quire.exe /updatefiles is running");
    return false;
}

bool KUpdateModules::WasStarted() const {
    std::lock_guard lock(mutex_);
    return process_ != nullptr;
}

UpdateStart StartUpdateIfNeeded(KUpdateModules& modules) {
    const auto& settings = modules.GetSettings();
    if (!components::IsNeedUpdate(settings.program_folder, settings.user_folder))
        return UpdateStart::NotNeeded;
    if (components::IsUpdating())
        return UpdateStart::AlreadyUpdating;
    return modules.UpdateByProcess() ? UpdateStart::Started : UpdateStart::StartFailed;
}

UpdateStart StartUpdateIfNeeded() {
    return StartUpdateIfNeeded(KUpdateModules::Instance());
}
