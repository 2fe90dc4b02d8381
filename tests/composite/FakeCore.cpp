#include "FakeCore.h"

#include <algorithm>
#include <fstream>
#include <system_error>

#include "support/WaitUntil.h"
#include "tasks/ICvtTask.h"

namespace fs = std::filesystem;

void RunningJobs::Started(int kind) {
    std::lock_guard guard(mutex_);
    max_[kind] = std::max(max_[kind], ++running_[kind]);
}

void RunningJobs::Ended(int kind) {
    std::lock_guard guard(mutex_);
    --running_[kind];
}

int RunningJobs::Now(int kind) {
    std::lock_guard guard(mutex_);
    return running_[kind];
}

int RunningJobs::Max(int kind) {
    std::lock_guard guard(mutex_);
    return max_[kind];
}

namespace {

bool WritesOneFile(OperationKind kind) {
    switch (kind) {
        case OperationKind::kSplit:
        case OperationKind::kPdfToImages:
        case OperationKind::kExtractImages:
            return false;
        default:
            return true;
    }
}

// Answers from its outcome, poll by poll; tells whoever counts when it has ended.
template <typename Base>
class ScriptedJob : public Base {
public:
    ScriptedJob(FakeOutcome outcome, std::function<void(bool succeeded)> on_end,
                std::function<void()> on_cancel)
        : outcome_(std::move(outcome)),
          on_end_(std::move(on_end)),
          on_cancel_(std::move(on_cancel)) {}
    ~ScriptedJob() override { End(false); }

    int Result() override {
        if (cancelled_)
            return 0;
        if (polls_++ < outcome_.running_polls)
            return -1;
        End(outcome_.result > 0);
        return outcome_.result;
    }
    int Progress() override {
        if (outcome_.progress.empty())
            return -1;
        const std::size_t index =
            std::min<std::size_t>(static_cast<std::size_t>(polls_), outcome_.progress.size() - 1);
        return outcome_.progress[index];
    }
    std::string Error() override { return cancelled_ ? "cancelled" : outcome_.error; }
    void Cancel() override {
        cancelled_ = true;
        on_cancel_();
        End(false);
    }

protected:
    const FakeOutcome& Outcome() const { return outcome_; }

private:
    void End(bool succeeded) {
        if (ended_)
            return;
        ended_ = true;
        on_end_(succeeded);
    }

    FakeOutcome outcome_;
    std::function<void(bool)> on_end_;
    std::function<void()> on_cancel_;
    int polls_ = 0;
    bool cancelled_ = false;
    bool ended_ = false;
};

class FakeOnlineJob : public ScriptedJob<IOnlineJob> {
public:
    using ScriptedJob::ScriptedJob;
    int ServiceErrorCode() override { return Outcome().service_code; }
};

}  // namespace

std::unique_ptr<IOperationJob> FakeOperations::Submit(const OperationRequest& request) {
    {
        std::lock_guard guard(mutex_);
        requests_.push_back(request);
    }
    const FakeOutcome outcome = respond ? respond(request) : FakeOutcome{};
    const int kind = static_cast<int>(request.kind);
    running_.Started(kind);
    return std::make_unique<ScriptedJob<IOperationJob>>(
        outcome,
        [this, request, kind, content = outcome.content](bool succeeded) {
            running_.Ended(kind);
            if (succeeded)
                JobSucceeded(request, content);
        },
        [this] { JobCancelled(); });
}

void FakeOperations::JobSucceeded(const OperationRequest& request,
                                  const std::optional<std::string>& content) {
    if (!WritesOneFile(request.kind))
        return;
    std::ofstream(request.target) << content.value_or("%PDF-1.4 written by the fake core\n");
    std::lock_guard guard(mutex_);
    written_pages_[request.target] = static_cast<int>(request.pages.size());
}

bool FakeOperations::QueryFileInfo(const std::string& path,
                                   const std::function<bool()>& /*cancelled*/, FileFacts* facts,
                                   std::string* /*error*/) {
    std::lock_guard guard(mutex_);
    info_queries_.push_back(path);
    *facts = FileFacts{};
    const auto written = written_pages_.find(path);
    facts->page_count = written != written_pages_.end() && written->second > 0 ? written->second
                                                                               : default_page_count;
    if (forced_page_count > 0)
        facts->page_count = forced_page_count;
    facts->encrypted = 0;
    facts->image_only = 0;
    facts->unreadable = 0;
    return true;
}

std::vector<OperationRequest> FakeOperations::Requests() {
    std::lock_guard guard(mutex_);
    return requests_;
}

std::vector<OperationRequest> FakeOperations::RequestsOf(OperationKind kind) {
    std::vector<OperationRequest> found;
    for (const OperationRequest& request : Requests()) {
        if (request.kind == kind)
            found.push_back(request);
    }
    return found;
}

std::vector<std::string> FakeOperations::InfoQueries() {
    std::lock_guard guard(mutex_);
    return info_queries_;
}

std::unique_ptr<IOnlineJob> FakeOnline::Submit(const OnlineRequest& request) {
    {
        std::lock_guard guard(mutex_);
        requests_.push_back(request);
    }
    const FakeOutcome outcome = respond ? respond(request) : FakeOutcome{};
    return std::make_unique<FakeOnlineJob>(
        outcome, [](bool) {}, [] {});
}

std::vector<OnlineRequest> FakeOnline::Requests() {
    std::lock_guard guard(mutex_);
    return requests_;
}

void RecordingSink::UpdateProcess(int percent) {
    std::lock_guard guard(mutex_);
    values_.push_back(percent);
}

std::vector<int> RecordingSink::Values() {
    std::lock_guard guard(mutex_);
    return values_;
}

int RecordingSink::Count() {
    std::lock_guard guard(mutex_);
    return static_cast<int>(values_.size());
}

CompositeServices FakeServices(FakeOperations* operations, FakeOnline* online,
                               const fs::path& temp_root, const fs::path& desktop) {
    CompositeServices services;
    services.operations = operations;
    services.online = online;
    services.online_allowed = [] { return true; };
    services.temp_root = [temp_root]() -> std::optional<fs::path> { return temp_root; };
    services.desktop = [desktop] { return desktop; };
    services.document_poll = std::chrono::milliseconds(1);
    services.image_poll = std::chrono::milliseconds(1);
    services.parts_poll = std::chrono::milliseconds(1);
    return services;
}

std::vector<fs::path> EntriesOf(const fs::path& folder) {
    std::vector<fs::path> entries;
    std::error_code error;
    for (auto it = fs::recursive_directory_iterator(folder, error);
         !error && it != fs::recursive_directory_iterator(); it.increment(error))
        entries.push_back(it->path());
    return entries;
}

int StartAndWait(ICvtTask& task, std::chrono::milliseconds limit) {
    task.Start();
    WaitUntil([&] { return task.GetResult() >= 0; }, limit);
    return task.GetResult();
}
