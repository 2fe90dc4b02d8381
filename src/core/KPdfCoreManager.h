#pragma once

#include <json/value.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>

#include "core/PipeLibrary.h"
#include "keasy/RecursiveLock.h"
#include "keasy/WorkerThread.h"
#include "quire-pipe/PipeInterfaces.h"

namespace platform {
class Process;
}

class KConvertTask;

// Owns the local conversion link: the pipe library, one pipe server for every conversion
// core, the table of submitted tasks and their values, and the core processes it starts.
// Operation objects submit and poll here; the pipe handlers hand tasks out and store values
// here on behalf of the cores. Keys and values are UTF-8.
class KPdfCoreManager {
public:
    // How many cores are ordered ahead of the tasks. A core takes one task and ends, so every
    // task orders one at least; the rest wait ready, started at leisure while a window waits
    // for its user. A batch that already holds its files has no leisure: on a small machine
    // each spare core's start takes processor time from the conversions.
    struct CoreStarts {
        int at_init = 3;
        int at_first_task = 4;
        int per_task = 1;
    };

    struct Settings {
        std::filesystem::path pipe_library;     // libquire-pipe.so
        std::filesystem::path core_executable;  // quire-core
        // Whether Init may order the first batch of cores (false while an update run is
        // installing the components).
        std::function<bool()> may_start_cores_at_init;
        // A waiting task that no core takes within this time fails.
        std::chrono::milliseconds take_timeout{std::chrono::seconds(30)};
        CoreStarts core_starts;
    };

    // The process-wide manager, with the program folder's library and core.
    static KPdfCoreManager* Instance();
    // Before Init: the start policy of a process that is no desktop window.
    void SetCoreStarts(CoreStarts starts);

    explicit KPdfCoreManager(Settings settings);
    ~KPdfCoreManager();
    KPdfCoreManager(const KPdfCoreManager&) = delete;
    KPdfCoreManager& operator=(const KPdfCoreManager&) = delete;

    bool Init();
    // Once, after the main loop: no core gets work any more and the pipe server stops.
    void Shutdown();

    // Adds "task_id" to `record`, stores it and orders a core. Returns the task id.
    int AddTask(Json::Value& record);

    bool IsTaskAlive(int task_id);
    // Drops a task whose result is known, once its owner has read what it needs: a manager that
    // lives long (the online service's) must not keep every task it ever ran. False, keeping
    // the task, while it has no result.
    bool ForgetTask(int task_id);
    bool SetInfo(int task_id, const std::string& key, const std::string& value);
    std::string GetInfo(int task_id, const std::string& key);
    int GetIntInfo(int task_id, const std::string& key, int default_value);
    bool IsCancelled(int task_id);

    // For the pipe handlers.
    std::optional<std::string> GetWaitingTaskParam(int core_id);
    std::optional<std::string> GetTaskParam(int task_id);
    bool IsExiting() const { return exiting_.load(); }
    // Waits at most `timeout` for the task event; true when it is signalled.
    bool WaitTaskEvent(std::chrono::milliseconds timeout);

    const std::string& PipeServerName() const { return pipe_server_name_; }
    bool PipeLibraryLoaded() const { return pipe_library_.Loaded(); }

    // The pipe handler of a core saw its connection end.
    void OnCoreDisconnected(int core_id);

private:
    struct TaskRecord;
    struct CoreRecord;

    bool StartPipeServer();
    void OrderCoreStarts(int count);
    int StartPdfcoreExe();
    void SetTaskEvent(bool signalled);
    std::optional<std::string> FindInfo(int task_id, const std::string& key);
    // Fails a waiting task that no live or starting core can take any more. True when the
    // task is now failed that way, false when a core took it meanwhile.
    bool GiveUpUntakenTask(int task_id);
    bool IsCoreAlive(int core_id);
    bool AnyCoreMayTakeWork();
    void ReapEndedCores();

    Settings settings_;
    std::atomic<bool> exiting_{false};
    std::atomic<bool> cores_started_{false};
    // The program has one manager, so these are its process-wide ids: tasks from 101, cores
    // from 1001.
    std::atomic<int> last_task_id_{100};
    std::atomic<int> last_core_id_{1000};
    std::string pipe_server_name_;  // written by Init before any core exists

    PipeLibrary pipe_library_;
    IPipeSvr* pipe_svr_ = nullptr;             // main thread only (Init, Shutdown)
    std::unique_ptr<KConvertTask> processor_;  // the prototype; outlives the server

    // The manual-reset task event: set while tasks may be waiting for a core.
    std::mutex event_mutex_;            // guards task_event_
    std::condition_variable event_cv_;  // signalled under event_mutex_ when it is set
    bool task_event_ = true;            // guarded by event_mutex_

    keasy::Lock task_lock_;                             // guards tasks_ and every record
    std::map<int, std::unique_ptr<TaskRecord>> tasks_;  // guarded by task_lock_

    keasy::Lock core_lock_;                             // guards cores_; never held with task_lock_
    std::map<int, std::unique_ptr<CoreRecord>> cores_;  // guarded by core_lock_
    std::atomic<int> pending_core_starts_{0};           // start jobs posted and not yet run

    keasy::WorkerThread start_core_;  // runs StartPdfcoreExe jobs one after another
    keasy::WorkerThread reaper_;      // waits for cores that said goodbye to end
};
