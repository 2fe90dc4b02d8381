#include "core/KPdfCoreManager.h"

#include <algorithm>
#include <cerrno>
#include <cstring>

#include "app/AsynLog.h"
#include "core/JsonWire.h"
#include "core/KConvertTask.h"
#include "core/PipeLibrary.h"
#include "keasy/LambdaFunc.h"
#include "platform/Format.h"
#include "platform/Paths.h"
#include "platform/Process.h"
#include "platform/Text.h"
#include "platform/Tick.h"
#include "system/ComponentFiles.h"
#include "system/KUpdateModules.h"
#include "tasks/TaskResultSignal.h"

namespace {

constexpr const char* kPipeNamePrefix = "0254CEE9";
constexpr int kPipeNameAttempts = 64;
constexpr const char* kUntakenError = "no conversion core could take the task";
constexpr auto kShutdownStartWait = std::chrono::seconds(10);
constexpr auto kReapWait = std::chrono::seconds(5);
constexpr auto kReapSlice = std::chrono::milliseconds(20);

keasy::AsynLog& Log() {
    return keasy::AsynLog::Instance();
}

KPdfCoreManager::Settings DefaultSettings() {
    KPdfCoreManager::Settings settings;
    const auto folder = platform::ProgramFolder();
    settings.pipe_library = folder / kPipeLibraryFile;
    settings.core_executable = folder / kCoreExecutableFile;
    settings.may_start_cores_at_init = [] {
        // An update run that is still installing the components would meet missing files.
        return KUpdateModules::Instance().IsFinished() || components::ComponentsPresent();
    };
    return settings;
}

}  // namespace

struct KPdfCoreManager::TaskRecord {
    int task_id = 0;
    int core_id = 0;     // 0 until a core has taken the task
    int process_id = 0;  // of that core
    bool taken = false;  // handed to a core, or given up as untakeable: never handed out again
    std::uint32_t added_tick = 0;
    std::map<std::string, std::string> values;
    std::string param;  // the command record with "task_id", as sent to a core
};

struct KPdfCoreManager::CoreRecord {
    int core_id = 0;
    std::unique_ptr<platform::Process> process;
    bool has_task = false;
};

KPdfCoreManager* KPdfCoreManager::Instance() {
    // Lives until the process ends: pool threads and pipe threads may still reach it while
    // static objects are destroyed.
    static KPdfCoreManager* const instance = new KPdfCoreManager(DefaultSettings());
    return instance;
}

KPdfCoreManager::KPdfCoreManager(Settings settings)
    : settings_(std::move(settings)), pipe_library_(settings_.pipe_library, "KPdfCoreManager") {}

KPdfCoreManager::~KPdfCoreManager() {
    Shutdown();
}

bool KPdfCoreManager::StartPipeServer() {
    // The name is the tick count, which two programs started in the same millisecond share
    // (the service and a desktop window, or parallel batches); the later one takes the next
    // free number instead of failing to start.
    const auto tick = static_cast<std::int32_t>(platform::GetTickCount());
    for (int attempt = 0; attempt < kPipeNameAttempts; ++attempt) {
        pipe_server_name_ = platform::Format("%s_%d", kPipeNamePrefix, tick + attempt);
        Log().Print("KPdfCoreManager::Init pipe server name:%ws", pipe_server_name_);
        if (pipe_svr_->Start(pipe_server_name_.c_str()))
            return true;
    }
    return false;
}

bool KPdfCoreManager::Init() {
    pipe_svr_ = pipe_library_.Create();
    if (!pipe_svr_) {
        Log().Print("KPdfCoreManager::Init m_pipeSvrMgr.CreatePipeSvr fail");
        return false;
    }
    processor_ = std::make_unique<KConvertTask>(*this);
    pipe_svr_->SetProcessor(processor_.get());

    if (!StartPipeServer()) {
        Log().Print("KPdfCoreManager::Init m_pPipeSvr->Start fail");
        return false;
    }
    if (!start_core_.Start() || !reaper_.Start()) {
        Log().Print("KPdfCoreManager::Init m_tStartCore.start fail");
        return false;
    }
    if (settings_.may_start_cores_at_init && !settings_.may_start_cores_at_init())
        return true;
    cores_started_ = true;
    OrderCoreStarts(settings_.core_starts.at_init);
    return true;
}

void KPdfCoreManager::Shutdown() {
    if (exiting_.exchange(true))
        return;
    SetTaskEvent(true);
    if (!pipe_svr_)
        return;
    if (!start_core_.WaitIdleFor(kShutdownStartWait))
        Log().Print("KPdfCoreManager shutdown: core starts still running");
    pipe_svr_->Stop();
    pipe_library_.Release(pipe_svr_);
    pipe_svr_ = nullptr;
}

void KPdfCoreManager::SetCoreStarts(CoreStarts starts) {
    // Each core ends after one task, so a task that ordered no core could wait for one forever.
    starts.at_first_task = std::max(starts.at_first_task, 1);
    starts.per_task = std::max(starts.per_task, 1);
    settings_.core_starts = starts;
}

int KPdfCoreManager::AddTask(Json::Value& record) {
    const int task_id = ++last_task_id_;
    record["task_id"] = task_id;
    auto task = std::make_unique<TaskRecord>();
    task->task_id = task_id;
    task->added_tick = platform::GetTickCount();
    task->param = json_wire::Write(record);
    const std::string logged = json_wire::Redacted(task->param);
    {
        keasy::LockGuard guard(task_lock_);
        tasks_[task_id] = std::move(task);
        SetTaskEvent(true);
    }
    const CoreStarts& starts = settings_.core_starts;
    OrderCoreStarts(cores_started_.exchange(true) ? starts.per_task : starts.at_first_task);
    Log().Print("Start kpdfcore processid:%d, taskid:%d, param:%s", 0, task_id, logged);
    return task_id;
}

void KPdfCoreManager::OrderCoreStarts(int count) {
    pending_core_starts_ += count;
    for (int i = 0; i < count; ++i) {
        start_core_.Post(keasy::FuncOf([this] {
            StartPdfcoreExe();
            --pending_core_starts_;
        }));
    }
}

int KPdfCoreManager::StartPdfcoreExe() {
    if (exiting_)
        return 0;
    ReapEndedCores();
    const int core_id = ++last_core_id_;
    const std::vector<std::string> arguments = {platform::Format("-core:%d", core_id),
                                                "-server:" + pipe_server_name_};
    const std::string command_line = platform::Format(
        "\"%s\" %s %s", settings_.core_executable.string(), arguments[0], arguments[1]);
    std::string error;
    auto process = platform::Process::Spawn(settings_.core_executable, arguments, &error);
    if (!process) {
        Log().Print("KFunction::RunApp CreateProcessW error:%d, show:%d, path:%ws, cmd:%ws", errno,
                    0, settings_.core_executable.string(), command_line);
        Log().Print("KFunction::RunApp %s", error);
    }
    Log().Print("KPdfCoreManager::StartPdfcoreExe StartApp kpdfcore return:%d cmdline:%ws",
                process ? 1 : 0, command_line);
    if (!process)
        return 0;
    const int process_id = process->Pid();
    {
        keasy::LockGuard guard(core_lock_);
        auto core = std::make_unique<CoreRecord>();
        core->core_id = core_id;
        core->process = std::move(process);
        cores_[core_id] = std::move(core);
    }
    Log().Print("KPdfCoreManager::StartPdfcoreExe core_id:%d, process_id:%d", core_id, process_id);
    return core_id;
}

std::optional<std::string> KPdfCoreManager::GetWaitingTaskParam(int core_id) {
    int process_id = 0;
    {
        keasy::LockGuard guard(core_lock_);
        const auto core = cores_.find(core_id);
        if (core == cores_.end()) {
            Log().Print("unknown kpdfcore is requesting, core_id:%d", core_id);
            return std::nullopt;
        }
        // The handler of a core that was killed may still sit in its wait for work; a task
        // handed to it now would be lost.
        if (!core->second->process->IsAlive())
            return std::nullopt;
        process_id = core->second->process->Pid();
    }
    int task_id = 0;
    std::string param;
    {
        keasy::LockGuard guard(task_lock_);
        for (auto& [id, task] : tasks_) {
            if (task->taken)
                continue;
            task->taken = true;
            task->core_id = core_id;
            task->process_id = process_id;
            task_id = id;
            param = task->param;
            break;
        }
        if (task_id == 0) {
            SetTaskEvent(false);
            return std::nullopt;
        }
    }
    {
        keasy::LockGuard guard(core_lock_);
        cores_[core_id]->has_task = true;
    }
    Log().Print("KPdfCoreManager::GetWaitingTaskParam core_id:%d, process_id:%d, task_id:%d",
                core_id, process_id, task_id);
    return param;
}

std::optional<std::string> KPdfCoreManager::GetTaskParam(int task_id) {
    keasy::LockGuard guard(task_lock_);
    const auto task = tasks_.find(task_id);
    if (task == tasks_.end())
        return std::nullopt;
    return task->second->param;
}

bool KPdfCoreManager::IsTaskAlive(int task_id) {
    int core_id = 0;
    bool taken = false;
    std::uint32_t waited = 0;
    {
        keasy::LockGuard guard(task_lock_);
        const auto task = tasks_.find(task_id);
        if (task == tasks_.end())
            return false;
        core_id = task->second->core_id;
        taken = task->second->taken;
        waited = platform::GetTickCount() - task->second->added_tick;
    }
    // A task given up as untakeable has no core.
    if (taken)
        return core_id != 0 && IsCoreAlive(core_id);
    const bool timed_out = waited >= static_cast<std::uint32_t>(settings_.take_timeout.count());
    if (!timed_out && !exiting_ && (pending_core_starts_ > 0 || AnyCoreMayTakeWork()))
        return true;
    return !GiveUpUntakenTask(task_id);
}

bool KPdfCoreManager::ForgetTask(int task_id) {
    keasy::LockGuard guard(task_lock_);
    const auto task = tasks_.find(task_id);
    if (task == tasks_.end() || !task->second->values.contains("result"))
        return false;
    tasks_.erase(task);
    return true;
}

bool KPdfCoreManager::GiveUpUntakenTask(int task_id) {
    keasy::LockGuard guard(task_lock_);
    const auto found = tasks_.find(task_id);
    // Forgotten meanwhile: it has ended, and nothing is left to fail.
    if (found == tasks_.end())
        return true;
    TaskRecord& task = *found->second;
    if (task.taken)
        return task.core_id == 0;
    task.taken = true;
    task.values["result"] = std::string("0");
    task.values["error"] = std::string(kUntakenError);
    Log().Print("KPdfCoreManager task failed, taskid:%d: %s", task_id, kUntakenError);
    TaskResultSignal().Notify();
    return true;
}

bool KPdfCoreManager::AnyCoreMayTakeWork() {
    keasy::LockGuard guard(core_lock_);
    for (auto& [id, core] : cores_) {
        if (!core->has_task && core->process->IsAlive())
            return true;
    }
    return false;
}

bool KPdfCoreManager::IsCoreAlive(int core_id) {
    keasy::LockGuard guard(core_lock_);
    const auto core = cores_.find(core_id);
    return core != cores_.end() && core->second->process->IsAlive();
}

void KPdfCoreManager::ReapEndedCores() {
    keasy::LockGuard guard(core_lock_);
    for (auto& [id, core] : cores_)
        core->process->IsAlive();
}

void KPdfCoreManager::OnCoreDisconnected(int core_id) {
    // A core closes its pipe just before it ends; reap it then so no zombie waits for the
    // next task to come along.
    reaper_.Post(keasy::FuncOf([this, core_id] {
        const std::uint32_t start = platform::GetTickCount();
        while (IsCoreAlive(core_id) && !exiting_ &&
               platform::GetTickCount() - start <
                   static_cast<std::uint32_t>(std::chrono::milliseconds(kReapWait).count()))
            std::this_thread::sleep_for(kReapSlice);
    }));
}

bool KPdfCoreManager::SetInfo(int task_id, const std::string& key, const std::string& value) {
    keasy::LockGuard guard(task_lock_);
    const auto task = tasks_.find(task_id);
    if (task == tasks_.end()) {
        Log().Print("KPdfCoreManager::SetInfo fail, cann't find task:%d", task_id);
        return false;
    }
    task->second->values[key] = value;
    if (key == "result")
        TaskResultSignal().Notify();
    return true;
}

std::optional<std::string> KPdfCoreManager::FindInfo(int task_id, const std::string& key) {
    keasy::LockGuard guard(task_lock_);
    const auto task = tasks_.find(task_id);
    if (task == tasks_.end())
        return std::nullopt;
    const auto value = task->second->values.find(key);
    if (value == task->second->values.end())
        return std::nullopt;
    return value->second;
}

std::string KPdfCoreManager::GetInfo(int task_id, const std::string& key) {
    return FindInfo(task_id, key).value_or(std::string());
}

int KPdfCoreManager::GetIntInfo(int task_id, const std::string& key, int default_value) {
    const auto value = FindInfo(task_id, key);
    return value ? platform::ParseIntLikeWtoi(*value) : default_value;
}

bool KPdfCoreManager::IsCancelled(int task_id) {
    keasy::LockGuard guard(task_lock_);
    const auto task = tasks_.find(task_id);
    if (task == tasks_.end())
        return true;
    const auto cancel = task->second->values.find("cancel");
    return cancel != task->second->values.end() && cancel->second == "1";
}

void KPdfCoreManager::SetTaskEvent(bool signalled) {
    {
        std::lock_guard guard(event_mutex_);
        task_event_ = signalled;
    }
    if (signalled)
        event_cv_.notify_all();
}

bool KPdfCoreManager::WaitTaskEvent(std::chrono::milliseconds timeout) {
    std::unique_lock lock(event_mutex_);
    return event_cv_.wait_for(lock, timeout, [this] { return task_event_; });
}
