#include "cli/BatchRunner.h"

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <filesystem>
#include <thread>

#include "app/AsynLog.h"
#include "cli/FailureText.h"
#include "tasks/ICvtTask.h"
#include "tasks/TaskResultSignal.h"

namespace fs = std::filesystem;

namespace cli {
namespace {

// A core writes a file under a hidden name beside it (".<stem>.part-<pid>-<n><extension>") and
// renames it when done. A core killed mid-write (a terminal's Ctrl-C reaches the whole process
// group) cannot remove that copy itself.
void RemoveHiddenPartial(const fs::path& target) {
    const std::string prefix = "." + target.stem().string() + ".part-";
    const std::string extension = target.extension().string();
    std::error_code error;
    for (const auto& entry : fs::directory_iterator(target.parent_path(), error)) {
        const std::string name = entry.path().filename().string();
        if (name.starts_with(prefix) && name.ends_with(extension))
            fs::remove(entry.path(), error);
    }
}

// A cancelled task may end before its core has seen the cancel: the core can still be writing
// the page it was on into the folder while the folder is removed, which then stays behind with
// that page's partial file. Removal is tried again, for a bounded time, until the folder is gone;
// the core removes its partial file when it stops, and never makes the folder again.
constexpr auto kFolderRemovalLimit = std::chrono::seconds(3);
constexpr auto kFolderRemovalRetry = std::chrono::milliseconds(50);

void RemoveFolder(const fs::path& folder) {
    const auto deadline = std::chrono::steady_clock::now() + kFolderRemovalLimit;
    std::error_code error;
    for (;;) {
        fs::remove_all(folder, error);
        std::error_code ignored;
        if (!fs::exists(folder, ignored) || std::chrono::steady_clock::now() >= deadline)
            break;
        std::this_thread::sleep_for(kFolderRemovalRetry);
    }
    keasy::AsynLog::Instance().Print("BatchRunner removed folder:%ws, error:%s", folder.string(),
                                     error.message());
}

// What a job that did not succeed leaves behind: the folders made for it alone and hidden
// partial copies of its files.
void RemovePartialOutput(const PlannedJob& job) {
    for (const fs::path& folder : job.made_folders)
        RemoveFolder(folder);
    for (const fs::path& target : job.target_files)
        RemoveHiddenPartial(target);
}

}  // namespace

BatchRunner::BatchRunner(const CliFunction& function, ProgressView& view, SignalCheck take_signal)
    : function_(function), view_(view), take_signal_(std::move(take_signal)) {}

BatchRunner::Summary BatchRunner::Run(std::vector<std::unique_ptr<PlannedJob>>& jobs) {
    summary_ = {};
    std::vector<Entry> entries;
    for (auto& job : jobs) {
        for (const std::string& note : job->notes)
            view_.Note(job->source + ": " + note);
        if (!job->task) {
            view_.Failed(std::string(function_.failure_text) + ": " + job->source + ": " +
                         job->refusal);
            ++summary_.failed;
            continue;
        }
        job->task->Start();
        entries.push_back({job.get()});
    }

    auto deadline = std::chrono::steady_clock::time_point::max();
    for (;;) {
        const std::uint64_t seen = TaskResultSignal().Generation();
        const bool running = std::count_if(entries.begin(), entries.end(),
                                           [this](Entry& entry) { return !Poll(entry); }) > 0;
        if (!running)
            break;
        ShowBars(entries);
        TaskResultSignal().WaitFor(seen, kPollInterval);
        const int signal_number = take_signal_();
        if (signal_number != 0 && summary_.interrupted)
            break;
        if (signal_number != 0) {
            summary_.interrupted = true;
            view_.Note(
                "cancelling: the running conversions are stopped and their partial "
                "output removed (a second Ctrl-C stops waiting)");
            CancelAll(entries);
            deadline = std::chrono::steady_clock::now() + kCancelLimit;
        }
        if (std::chrono::steady_clock::now() >= deadline)
            break;
    }

    for (Entry& entry : entries) {
        if (entry.done)
            continue;
        summary_.unfinished = true;
        ++summary_.failed;
        view_.Failed(std::string(function_.failure_text) + ": " + entry.job->source +
                     ": cancelled, still ending");
    }
    view_.Finish();
    return summary_;
}

bool BatchRunner::Poll(Entry& entry) {
    if (entry.done)
        return true;
    const int result = entry.job->task->GetResult();
    if (result == -1 && !entry.shown_started) {
        entry.shown_started = true;
        view_.Started(entry.job->source);
    }
    if (result < 0)
        return false;
    entry.done = true;
    Report(*entry.job);
    return true;
}

void BatchRunner::Report(PlannedJob& job) {
    if (job.task->GetResult() == 1) {
        ++summary_.succeeded;
        const std::string result = job.find_result ? job.find_result() : job.result;
        view_.Succeeded(std::string(function_.success_text) + ": " + job.source + " -> " + result);
        return;
    }
    ++summary_.failed;
    view_.Failed(std::string(function_.failure_text) + ": " + job.source + ": " +
                 DescribeFailure(*job.task));
    RemovePartialOutput(job);
}

void BatchRunner::CancelAll(std::vector<Entry>& entries) {
    for (Entry& entry : entries) {
        if (!entry.done)
            entry.job->task->Cancel();
    }
}

void BatchRunner::ShowBars(const std::vector<Entry>& entries) {
    std::vector<ProgressView::Bar> bars;
    for (const Entry& entry : entries) {
        if (!entry.done && entry.shown_started)
            bars.push_back({entry.job->source, entry.job->sink.Percent()});
    }
    view_.ShowBars(bars);
}

}  // namespace cli
