#pragma once

#include <condition_variable>
#include <deque>
#include <filesystem>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <thread>

#include "online/ServiceSettings.h"
#include "online/StopSignal.h"

class KSvrTask;
class LoginState;

// Runs online conversions strictly one at a time on one worker thread: upload, poll, download.
// Callers prepare a task and then only query it by id, or cancel it. Records stay for the life
// of the manager, so an id can be asked about at any time.
class KSvrTaskMgr {
public:
    // The process-wide manager, with the service named by the application configuration.
    static KSvrTaskMgr* Instance();
    // The settings the program uses: host and CA file from common.dat, the device id, the
    // edition's application number.
    static ServiceSettings ProgramSettings();

    explicit KSvrTaskMgr(ServiceSettings settings);
    KSvrTaskMgr(ServiceSettings settings, LoginState& login);
    ~KSvrTaskMgr();
    KSvrTaskMgr(const KSvrTaskMgr&) = delete;
    KSvrTaskMgr& operator=(const KSvrTaskMgr&) = delete;

    // Initialises libcurl once for the process and starts the worker; false when either fails.
    bool Init();
    // Ends the task being processed at its next pause or transfer, fails every queued task,
    // and joins the worker.
    void Stop();

    // Each returns the new task's id, never 0.
    // A PDF to a document: "pages" is the page count, convert type 2.
    int PreparePdfTask(const std::filesystem::path& source, const std::filesystem::path& target,
                       int page_count);
    // A document to PDF: `number` is sent as "pages", convert type 1.
    int PrepareDocumentTask(const std::filesystem::path& source,
                            const std::filesystem::path& target, int number);
    // A drawing to PDF on a white or black background.
    int PrepareDrawingTask(const std::filesystem::path& source, const std::filesystem::path& target,
                           bool white_background);
    // Any other conversion, text recognition among them.
    int PreparePlainTask(const std::filesystem::path& source, const std::filesystem::path& target);

    void Cancel(int id);
    // -1 not started, 1 running, 0 ended.
    int GetRunning(int id) const;
    bool IsSucceeded(int id) const;
    int GetProgress(int id) const;
    // Empty for an unknown id, a success or a cancel.
    std::string GetFailInfo(int id) const;
    // The service's last "ret" for the task; -1 for an unknown id.
    int GetRetCode(int id) const;

private:
    struct TaskRecord;
    enum class Ending { kSucceeded, kFailed, kCancelled };

    int AddTask(const std::function<void(KSvrTask&)>& build, const char* kind);
    void WorkerLoop();
    std::shared_ptr<TaskRecord> NextTask();
    void ProcessOneTask(TaskRecord& record);
    Ending RunTask(TaskRecord& record, KSvrTask& task);
    Ending PollUntilReady(TaskRecord& record, KSvrTask& task);
    Ending DownloadResult(TaskRecord& record, KSvrTask& task);
    Ending Fail(TaskRecord& record, const KSvrTask& task, const char* what);
    void SetProgress(TaskRecord& record, int progress);
    void CopyRet(TaskRecord& record, const KSvrTask& task);
    bool IsCancelled(const TaskRecord& record) const;

    const ServiceSettings settings_;
    LoginState& login_;
    StopSignal stop_;  // set once by Stop; read by every thread

    mutable std::mutex lock_;
    std::condition_variable wake_;                      // with lock_
    std::map<int, std::shared_ptr<TaskRecord>> tasks_;  // guarded by lock_
    std::deque<int> queue_;                             // guarded by lock_
    bool started_ = false;                              // guarded by lock_
    std::thread worker_;  // started by Init, joined by Stop; both on the owner's thread
};
