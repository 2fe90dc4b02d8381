#pragma once

#include <atomic>
#include <chrono>
#include <filesystem>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "composite/CompositeServices.h"
#include "composite/IOnlineConverter.h"
#include "composite/IOperationBackend.h"
#include "tasks/ICvtUpateProcess.h"

// How a scripted job ends.
struct FakeOutcome {
    int result = 1;
    std::string error;
    // Result() calls that still answer "running"; kForever never ends on its own.
    int running_polls = 1;
    // Progress reported at the n-th poll (the last value repeats); none answers -1.
    std::vector<int> progress;
    int service_code = -1;  // online jobs only
    // What a successful job that writes one file puts into it; none: the fake's PDF text.
    std::optional<std::string> content;

    static constexpr int kForever = 1 << 30;

    static FakeOutcome Failed(std::string error) {
        FakeOutcome outcome;
        outcome.result = 0;
        outcome.error = std::move(error);
        return outcome;
    }
};

// Counts jobs that run at the same time, per operation.
class RunningJobs {
public:
    void Started(int kind);
    void Ended(int kind);
    int Now(int kind);
    int Max(int kind);

private:
    std::mutex mutex_;                  // guards the maps
    std::map<int, int> running_, max_;  // guarded by mutex_
};

// The conversion core played in-process: every request is recorded and answered by `respond`
// (success by default). A successful job that writes one file leaves a small file at its
// target, and remembers the pages it was given, which its file facts later report.
class FakeOperations : public IOperationBackend {
public:
    std::function<FakeOutcome(const OperationRequest&)> respond;
    // Pages of a file the fake did not write itself.
    int default_page_count = 3;
    // When above 0, every file has this many pages.
    int forced_page_count = 0;

    std::unique_ptr<IOperationJob> Submit(const OperationRequest& request) override;
    bool QueryFileInfo(const std::string& path, const std::function<bool()>& cancelled,
                       FileFacts* facts, std::string* error) override;

    std::vector<OperationRequest> Requests();
    std::vector<OperationRequest> RequestsOf(OperationKind kind);
    std::vector<std::string> InfoQueries();
    int Cancels() const { return cancels_.load(); }
    int MaxRunning(OperationKind kind) { return running_.Max(static_cast<int>(kind)); }
    int Running(OperationKind kind) { return running_.Now(static_cast<int>(kind)); }

    // Called by the fake's jobs.
    void JobSucceeded(const OperationRequest& request, const std::optional<std::string>& content);
    void JobCancelled() { ++cancels_; }
    RunningJobs& Jobs() { return running_; }

private:
    std::mutex mutex_;                          // guards the members below
    std::vector<OperationRequest> requests_;    // guarded by mutex_
    std::vector<std::string> info_queries_;     // guarded by mutex_
    std::map<std::string, int> written_pages_;  // guarded by mutex_
    std::atomic<int> cancels_{0};
    RunningJobs running_;
};

// The online service played in-process.
class FakeOnline : public IOnlineConverter {
public:
    std::function<FakeOutcome(const OnlineRequest&)> respond;

    std::unique_ptr<IOnlineJob> Submit(const OnlineRequest& request) override;
    std::vector<OnlineRequest> Requests();

private:
    std::mutex mutex_;                     // guards requests_
    std::vector<OnlineRequest> requests_;  // guarded by mutex_
};

// Remembers every progress value; counts calls made after it was told it is gone.
class RecordingSink : public quirekit::ICvtUpateProcess {
public:
    void UpdateProcess(int percent) override;
    std::vector<int> Values();
    int Count();

private:
    std::mutex mutex_;         // guards values_
    std::vector<int> values_;  // guarded by mutex_
};

// Services over the fakes, with 1 ms polls so scripted jobs end at once.
CompositeServices FakeServices(FakeOperations* operations, FakeOnline* online,
                               const std::filesystem::path& temp_root,
                               const std::filesystem::path& desktop = {});

// Every entry below `folder`, for checks that a task left nothing behind.
std::vector<std::filesystem::path> EntriesOf(const std::filesystem::path& folder);

// Owns a task's creator reference.
template <typename Task>
struct TaskRef {
    Task* task;
    explicit TaskRef(Task* created) : task(created) {}
    ~TaskRef() { task->Release(); }
    TaskRef(const TaskRef&) = delete;
    TaskRef& operator=(const TaskRef&) = delete;
    Task* operator->() const { return task; }
    Task& operator*() const { return *task; }
};

// Starts the task through the task center and waits (bounded) for its outcome.
int StartAndWait(class ICvtTask& task, std::chrono::milliseconds limit = std::chrono::seconds(60));
