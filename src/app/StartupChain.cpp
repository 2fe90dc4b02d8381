#include "app/StartupChain.h"

#include <unistd.h>

#include <chrono>
#include <ctime>
#include <future>

#include "app/AsynLog.h"
#include "app/CrashDumpMonitor.h"
#include "app/Edition.h"
#include "app/KABTestSwitch.h"
#include "app/KAppConfig.h"
#include "app/KExecCmd.h"
#include "app/NewUserStamp.h"
#include "bkwin/BkLib.h"
#include "composite/CompositeServices.h"
#include "composite/ServiceOnlineConverter.h"
#include "core/FileInfoCache.h"
#include "core/KPdfCoreManager.h"
#include "online/KSvrTaskMgr.h"
#include "platform/Diagnostics.h"
#include "platform/Paths.h"
#include "platform/RegistryStore.h"
#include "platform/Tick.h"
#include "platform/WindowsAnswers.h"
#include "report/AdapterSelection.h"
#include "report/CommonRecords.h"
#include "report/KAsynTaskMgr.h"
#include "system/KUpdateModules.h"
#include "system/UpdateJob.h"
#include "tasks/KTaskCenter.h"

namespace {

keasy::AsynLog& Log() {
    return keasy::AsynLog::Instance();
}

// How long the hand-over server waits for the main loop to take a message; a main loop that
// is stuck longer makes this instance count as absent to the sender.
constexpr auto kMainLoopAnswerTimeout = std::chrono::milliseconds(1500);
constexpr auto kTaskDrainLimit = std::chrono::seconds(30);

bool IsQuitRequest(int argc, const char* const* argv) {
    return argc == 2 && std::string_view(argv[1]) == "--quit";
}

}  // namespace

StartupChain::StartupChain(std::uint32_t start_tick, int argc, const char* const* argv)
    : start_tick_(start_tick),
      command_line_(RawCommandLineFromArgv(argc, argv)),
      arguments_(argc, argv),
      quit_request_(IsQuitRequest(argc, argv)) {
    switches_.Parse(command_line_);
}

int StartupChain::Run() {
    if (RunSteps())
        RunMainLoop();
    Shutdown();
    return 1;
}

void StartupChain::Mark(std::string_view step_name) {
    Log().LogUsedTime(&step_tick_, step_name);
}

void StartupChain::Skip(std::string_view step_name, std::string_view reason) {
    Log().Print("%s skipped: %s", step_name, reason);
}

bool StartupChain::RunSteps() {
    Log().Init();
    step_tick_ = platform::GetTickCount();
    platform::SetDiagnosticSink([](std::string_view line) { Log().Print("%s", line); });
    report::DecideAutomationRun(command_line_);
    report::KAsynTaskMgr::Instance();
    Mark("_tWinMain");

    if (!RestartAsAdminStep())
        return false;
    Mark("IsUserAnAdmin");
    InitDumpStep();
    Mark("InitDump");

    Skip("CPDFEditionIniter::Initialize", "single edition, nothing to set up");
    KABTestSwitch::GetInstance().Init();
    Mark("KABTestSwitch::GetInstance()->Init()");
    split_tester_.Load(platform::ProgramFolder());
    Mark("ABTest::InitABTester");

    if (!HandOffStep())
        return false;
    Mark("IsNeedTranferIndependentCvt");

    NewUserStep();
    Mark("KFunction::IsNewUser");

    if (!SpecialCommandsStep())
        return false;
    const bool config_loaded = KAppConfig::Instance().LoadConfig();
    Mark("KAppConfig::Instance()->LoadConfig()");
    if (!config_loaded) {
        Log().Print("KAppConfig::Instance()->LoadConfig failed");
        return false;
    }

    if (!switches_.HasKey("only_feedback") && !SingleInstanceStep())
        return false;
    Mark("NeedCheckSingleInstance");
    ReportStartupStep();
    Mark("ReportStartup");

    if (!CoInitializeStep())
        return false;
    Mark("CoInitialize");

    StartUpdateIfNeeded();
    Mark("IsNeedUpdate");
    // A missing UI resource leaves its registry empty; the program still starts.
    BkWin::InitBkLib(CurrentEdition().number);
    Mark("InitBkLib");

    if (!SystemCheckStep())
        return false;
    Mark("CheckSystem");

    core_manager_ = KPdfCoreManager::Instance();
    if (!core_manager_->Init()) {
        Log().Print("KPdfCoreManager::Init failed");
        return false;
    }
    Mark("KPdfCoreManager::Instance()->Init");
    svr_task_mgr_ = KSvrTaskMgr::Instance();
    if (!svr_task_mgr_->Init()) {
        Log().Print("KSvrTaskMgr::Init failed");
        return false;
    }
    static ServiceOnlineConverter online_converter(svr_task_mgr_);
    CompositeServices::SetProgramOnlineConverter(&online_converter);
    Mark("KSvrTaskMgr::Instance()->Init()");
    Skip("window module", "the UI framework is not built yet");

    if (switches_.HasKey("only_feedback")) {
        Skip("only_feedback", "the feedback dialog is not built yet");
        return false;
    }
    Mark("AtlInit");
    return true;
}

bool StartupChain::RestartAsAdminStep() {
    const bool elevated = platform::IsUserAnAdmin();
    Log().Print("IsUserAnAdmin return:%d", elevated ? 1 : 0);
    if (elevated)
        return true;
    const int edition = CurrentEdition().number;
    const bool restarts = edition != 3 && edition != 4 && edition != 5 && edition != 7;
    Mark("RestartAsAdmin");
    if (!restarts)
        return true;
    // A Linux desktop has no elevated copy to launch; the process ends as it would after a
    // declined elevation prompt.
    Log().Print("restart by RestartAsAdMin, this instance exit");
    return false;
}

void StartupChain::InitDumpStep() {
    crash_dump::Start(platform::ProgramFolder());
}

bool StartupChain::HandOffStep() {
    // No separately installed converter exists for Linux, so the command line is never
    // handed off and this process carries on.
    return true;
}

bool StartupChain::SpecialCommandsStep() {
    KExecCmd::Jobs jobs;
    jobs.load_config = [] { return KAppConfig::Instance().LoadConfig(); };
    jobs.update_files = [] {
        const update_job::Result result = update_job::RunUpdateJob(update_job::Options{});
        report::SendDownloadRecord(result.success, result.elapsed_seconds, result.code);
        return result.success;
    };
    // The feedback report (jobs.feedback_report) is not built yet: that job counts as failed.
    const int executed = KExecCmd(arguments_, std::move(jobs)).RunCmds();
    Mark("KExecCmd::RunCmds");
    if (executed == 0)
        return true;
    Log().Print("executed special cmd, finished and exit");
    return false;
}

void StartupChain::ReportStartupStep() {
    auto value = [this](std::string_view key) {
        return arguments_.HasValue(key) ? arguments_.GetInt(key) : 0;
    };
    report::SendStartupRecord(value("from"), value("type"), value("upfrom"));
}

void StartupChain::NewUserStep() {
    if (!new_user::Stamp(platform::RegistryStore::Instance(), std::time(nullptr)))
        Log().Print("KFunction::IsNewUser cannot record first_open_time");
}

bool StartupChain::SingleInstanceStep() {
    const EditionInfo& edition = CurrentEdition();
    SingleInstance::Settings settings;
    settings.mutex_name = SingleInstanceMutexName(edition);
    settings.socket_path = platform::InstanceSocketPath(MainWindowClassName(edition));
    single_instance_ = std::make_unique<SingleInstance>(std::move(settings));

    const auto kind = quit_request_ ? SingleInstance::MessageKind::Quit
                                    : SingleInstance::MessageKind::CommandLine;
    if (single_instance_->Check(kind, command_line_) ==
        SingleInstance::Outcome::InstanceActivated) {
        Log().Print("One instance is running, and it's actived");
        return false;
    }
    if (quit_request_) {
        Log().Print("StartupChain --quit: no running instance to end");
        return false;
    }
    std::string error;
    if (single_instance_->HoldsMutex() &&
        !single_instance_->Serve([this](auto message) { return OnHandOver(std::move(message)); },
                                 &error))
        Log().Print("SingleInstance::Serve failed, error:%s", error);
    return true;
}

bool StartupChain::OnHandOver(platform::HandOverMessage message) {
    // Runs on the hand-over thread. The answer waits for the main loop to take the message,
    // so a stuck main loop reads as an absent instance; a message it takes too late is
    // dropped, since the sender then carries on by itself.
    auto taken = std::make_shared<std::atomic<bool>>(false);
    auto done = std::make_shared<std::promise<void>>();
    std::future<void> answered = done->get_future();
    loop_.Post([this, taken, done, message = std::move(message)] {
        if (taken->exchange(true))
            return;
        if (message.kind == static_cast<std::uint32_t>(SingleInstance::MessageKind::Quit)) {
            Log().Print("StartupChain::OnHandOver quit requested");
            loop_.Quit(1);
        } else {
            Log().Print("StartupChain::OnHandOver dwData:%u, cmdline:%s", message.kind,
                        message.payload);
        }
        done->set_value();
    });
    if (answered.wait_for(kMainLoopAnswerTimeout) == std::future_status::ready)
        return true;
    // Whoever flips `taken` first decides: if it is us, the closure will skip the message.
    if (!taken->exchange(true))
        return false;
    return answered.wait_for(kMainLoopAnswerTimeout) == std::future_status::ready;
}

bool StartupChain::CoInitializeStep() {
    const long result = platform::CoInitialize();
    if (result != 0) {
        Log().Print("CoInitialize failed");
        return false;
    }
    com_initialized_ = true;
    return true;
}

bool StartupChain::SystemCheckStep() {
    // A failed check would open the edition's failure page and end without a log line.
    return platform::IsSystemSupported();
}

void StartupChain::RunMainLoop() {
    Log().Print("RunMainDlg: the main dialog is not built yet; waiting for a quit");
    Mark("RunMainDlg");
    const int code = loop_.Run();
    Log().Print("RunMainDlg main loop ended, code:%d, signal:%d", code, loop_.QuitSignal());
}

void StartupChain::Shutdown() {
    if (single_instance_)
        single_instance_->Close();
    if (auto* cache = FileInfoCache::Existing())
        cache->StopAll();
    if (core_manager_)
        core_manager_->Shutdown();
    if (svr_task_mgr_)
        svr_task_mgr_->Stop();
    // Queries and conversions still running end once their core is gone or they see the
    // cancel; the wait is bounded all the same.
    if (auto* center = KTaskCenter::Existing(); center && !center->WaitIdleFor(kTaskDrainLimit))
        Log().Print("KTaskCenter still busy at shutdown");
    if (com_initialized_)
        platform::CoUninitialize();
    split_tester_.Unload();
    Log().Print("__________ application stoped __________");
    Log().WaitIdle();
    Log().Close();
    platform::SetDiagnosticSink(nullptr);
    // Reports still being sent get a short while; none is freed under its running thread.
    report::KAsynTaskMgr::Instance().Shutdown(std::chrono::seconds(2));
}
