#include "online/KSvrTaskMgr.h"

#include <curl/curl.h>

#include <atomic>
#include <chrono>

#include "app/AsynLog.h"
#include "app/DeviceId.h"
#include "app/Edition.h"
#include "app/KAppConfig.h"
#include "online/KSvrTask.h"
#include "online/LoginState.h"
#include "platform/Format.h"

namespace {

keasy::AsynLog& Log() {
    return keasy::AsynLog::Instance();
}

constexpr char kStoppedText[] = "the online service client stopped before the task ended";

// Task ids are unique in the process, whichever manager issues them.
std::atomic<int> g_last_task_id{0};

bool InitCurlOnce() {
    static const bool initialised = curl_global_init(CURL_GLOBAL_ALL) == CURLE_OK;
    return initialised;
}

}  // namespace

struct KSvrTaskMgr::TaskRecord {
    int id = 0;
    // The fields below are guarded by the manager's lock_.
    int running = -1;
    int succeeded = -1;
    int progress = 0;
    bool cancelled = false;
    std::string fail_info;
    int last_ret = -1;
    // Set by Cancel and by Stop: ends the task's pauses and transfers at once.
    std::shared_ptr<StopSignal> interrupt = std::make_shared<StopSignal>();
    // Built by the preparing thread, then used by the worker alone.
    std::unique_ptr<KSvrTask> task;
};

KSvrTaskMgr* KSvrTaskMgr::Instance() {
    // Never destroyed: pool threads may still query their tasks while statics are torn down.
    static KSvrTaskMgr* const manager = new KSvrTaskMgr(ProgramSettings());
    return manager;
}

ServiceSettings KSvrTaskMgr::ProgramSettings() {
    ServiceSettings settings;
    const KAppConfig& config = KAppConfig::Instance();
    settings.host = config.Host();
    settings.ca_file = config.config().GetString("common", "ca_file", "");
    settings.device_id = device_id::GetDeviceId();
    settings.app_id = std::to_string(CurrentEdition().number);
    return settings;
}

KSvrTaskMgr::KSvrTaskMgr(ServiceSettings settings)
    : KSvrTaskMgr(std::move(settings), LoginState::Process()) {}

KSvrTaskMgr::KSvrTaskMgr(ServiceSettings settings, LoginState& login)
    : settings_(std::move(settings)), login_(login) {}

KSvrTaskMgr::~KSvrTaskMgr() {
    Stop();
}

bool KSvrTaskMgr::Init() {
    if (!InitCurlOnce())
        return false;
    std::lock_guard lock(lock_);
    if (started_)
        return true;
    worker_ = std::thread([this] { WorkerLoop(); });
    started_ = true;
    return true;
}

void KSvrTaskMgr::Stop() {
    {
        std::lock_guard lock(lock_);
        stop_.Set();
        for (auto& [id, record] : tasks_)
            record->interrupt->Set();
        for (int id : queue_) {
            TaskRecord& record = *tasks_.at(id);
            record.running = 0;
            record.succeeded = 0;
            record.progress = 100;
            record.fail_info = kStoppedText;
        }
        queue_.clear();
    }
    wake_.notify_all();
    if (worker_.joinable())
        worker_.join();
}

int KSvrTaskMgr::AddTask(const std::function<void(KSvrTask&)>& build, const char* kind) {
    auto record = std::make_shared<TaskRecord>();
    record->id = ++g_last_task_id;
    record->task = std::make_unique<KSvrTask>(settings_, record->interrupt, login_);
    build(*record->task);
    Log().Print("KSvrTaskMgr::PrepareTask taskid:%d, kind:%s, src:%ws, dst:%ws", record->id, kind,
                record->task->SourcePath().string(), record->task->TargetPath().string());
    {
        std::lock_guard lock(lock_);
        tasks_[record->id] = record;
        if (stop_.IsSet()) {
            record->running = 0;
            record->succeeded = 0;
            record->progress = 100;
            record->fail_info = kStoppedText;
            return record->id;
        }
        queue_.push_back(record->id);
    }
    wake_.notify_all();
    return record->id;
}

int KSvrTaskMgr::PreparePdfTask(const std::filesystem::path& source,
                                const std::filesystem::path& target, int page_count) {
    const int id =
        AddTask([&](KSvrTask& task) { task.BuildPaged(source, target, page_count, 2); }, "pdf");
    Log().Print("KSvrTaskMgr::PrepareTask taskid:%d, is_image:%d, page_count:%d, src:%ws, dst:%ws",
                id, 1, page_count, source.string(), target.string());
    return id;
}

int KSvrTaskMgr::PrepareDocumentTask(const std::filesystem::path& source,
                                     const std::filesystem::path& target, int number) {
    return AddTask([&](KSvrTask& task) { task.BuildPaged(source, target, number, 1); }, "document");
}

int KSvrTaskMgr::PrepareDrawingTask(const std::filesystem::path& source,
                                    const std::filesystem::path& target, bool white_background) {
    return AddTask([&](KSvrTask& task) { task.BuildDrawing(source, target, white_background); },
                   "drawing");
}

int KSvrTaskMgr::PreparePlainTask(const std::filesystem::path& source,
                                  const std::filesystem::path& target) {
    return AddTask([&](KSvrTask& task) { task.BuildPlain(source, target); }, "plain");
}

void KSvrTaskMgr::Cancel(int id) {
    std::lock_guard lock(lock_);
    const auto found = tasks_.find(id);
    if (found == tasks_.end())
        return;
    found->second->cancelled = true;
    found->second->interrupt->Set();
}

int KSvrTaskMgr::GetRunning(int id) const {
    std::lock_guard lock(lock_);
    const auto found = tasks_.find(id);
    return found == tasks_.end() ? 0 : found->second->running;
}

bool KSvrTaskMgr::IsSucceeded(int id) const {
    std::lock_guard lock(lock_);
    const auto found = tasks_.find(id);
    return found != tasks_.end() && found->second->succeeded == 1;
}

int KSvrTaskMgr::GetProgress(int id) const {
    std::lock_guard lock(lock_);
    const auto found = tasks_.find(id);
    return found == tasks_.end() ? 0 : found->second->progress;
}

std::string KSvrTaskMgr::GetFailInfo(int id) const {
    std::lock_guard lock(lock_);
    const auto found = tasks_.find(id);
    return found == tasks_.end() ? std::string() : found->second->fail_info;
}

int KSvrTaskMgr::GetRetCode(int id) const {
    std::lock_guard lock(lock_);
    const auto found = tasks_.find(id);
    return found == tasks_.end() ? -1 : found->second->last_ret;
}

std::shared_ptr<KSvrTaskMgr::TaskRecord> KSvrTaskMgr::NextTask() {
    std::unique_lock lock(lock_);
    wake_.wait(lock, [this] { return stop_.IsSet() || !queue_.empty(); });
    if (stop_.IsSet())
        return nullptr;
    const int id = queue_.front();
    queue_.pop_front();
    return tasks_.at(id);
}

void KSvrTaskMgr::WorkerLoop() {
    while (std::shared_ptr<TaskRecord> record = NextTask())
        ProcessOneTask(*record);
}

void KSvrTaskMgr::ProcessOneTask(TaskRecord& record) {
    bool cancelled = false;
    {
        std::lock_guard lock(lock_);
        cancelled = record.cancelled;
        record.running = 1;
        record.succeeded = 0;
        record.progress = 0;
    }
    const Ending ending = cancelled ? Ending::kCancelled : RunTask(record, *record.task);
    std::lock_guard lock(lock_);
    if (ending == Ending::kSucceeded)
        record.succeeded = 1;
    else if (ending == Ending::kCancelled && !record.cancelled && record.fail_info.empty())
        record.fail_info = kStoppedText;
    record.progress = 100;
    record.running = 0;
    Log().Print("KSvrTaskMgr ProcessOneTask return:%d, taskID:%d",
                ending == Ending::kSucceeded ? 1 : 0, record.id);
}

KSvrTaskMgr::Ending KSvrTaskMgr::RunTask(TaskRecord& record, KSvrTask& task) {
    const bool uploaded = task.UploadFile();
    CopyRet(record, task);
    Log().Print("KSvrTaskMgr UploadFile return:%d", uploaded ? 1 : 0);
    if (IsCancelled(record))
        return Ending::kCancelled;
    if (!uploaded)
        return Fail(record, task, "upload file fail");
    SetProgress(record, 20);
    const Ending polled = PollUntilReady(record, task);
    if (polled != Ending::kSucceeded)
        return polled;
    SetProgress(record, 70);
    return DownloadResult(record, task);
}

KSvrTaskMgr::Ending KSvrTaskMgr::PollUntilReady(TaskRecord& record, KSvrTask& task) {
    const auto deadline = std::chrono::steady_clock::now() + settings_.poll_deadline;
    int failed_queries = 0;
    for (;;) {
        int progress = -1;
        int status = -1;
        const bool answered = task.QuerryProgress(&progress, &status);
        Log().Print("KSvrTaskMgr QuerryProgress return:%d, progress:%d, status:%d",
                    answered ? 1 : 0, progress, status);
        CopyRet(record, task);
        if (!answered && ++failed_queries > settings_.query_failures_allowed)
            return Fail(record, task, "query progress fail");
        if (answered && status == 3)
            return Fail(record, task, "server convert time out or fail");
        if (stop_.IsSet())
            return Ending::kCancelled;
        if (answered && status == 2)
            return Ending::kSucceeded;
        if (IsCancelled(record)) {
            Log().Print("KSvrTaskMgr::ProcessOneTask user canceled");
            return Ending::kCancelled;
        }
        if (std::chrono::steady_clock::now() >= deadline)
            return Fail(record, task, "server convert time out or fail");
        record.interrupt->WaitFor(settings_.poll_interval);
    }
}

KSvrTaskMgr::Ending KSvrTaskMgr::DownloadResult(TaskRecord& record, KSvrTask& task) {
    for (int attempt = 1;; ++attempt) {
        const bool downloaded = task.Download();
        Log().Print("KSvrTaskMgr Download return:%d", downloaded ? 1 : 0);
        if (downloaded)
            return Ending::kSucceeded;
        if (IsCancelled(record)) {
            Log().Print("KSvrTaskMgr::Download user canceled");
            return Ending::kCancelled;
        }
        if (stop_.IsSet())
            return Ending::kCancelled;
        if (attempt >= settings_.download_tries)
            return Fail(record, task, "download fail");
        record.interrupt->WaitFor(settings_.download_retry_pause);
    }
}

KSvrTaskMgr::Ending KSvrTaskMgr::Fail(TaskRecord& record, const KSvrTask& task, const char* what) {
    std::string text = platform::Format("%s, curl:%d, size:%d, total:%d, fail:%d, md5:%s", what,
                                        task.LastTransferResult(), task.FileLength(),
                                        task.AddressCount(), task.FailedPartCount(), task.Md5Hex());
    std::lock_guard lock(lock_);
    record.fail_info = std::move(text);
    return Ending::kFailed;
}

void KSvrTaskMgr::SetProgress(TaskRecord& record, int progress) {
    std::lock_guard lock(lock_);
    record.progress = progress;
}

void KSvrTaskMgr::CopyRet(TaskRecord& record, const KSvrTask& task) {
    std::lock_guard lock(lock_);
    record.last_ret = task.LastRet();
}

bool KSvrTaskMgr::IsCancelled(const TaskRecord& record) const {
    std::lock_guard lock(lock_);
    return record.cancelled;
}
