// Tasks run on the process-wide task center the way the function windows drive them: start,
// poll "result", cancel, release. Every test waits until its own tasks are gone, so the next
// test finds the pools idle.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

#include "support/WaitUntil.h"
#include "tasks/ICvtTask.h"
#include "tasks/KTaskCenter.h"

namespace {

using namespace std::chrono_literals;

// Opened once by the test; waits are bounded so a broken pool fails the test instead of hanging.
class Gate {
public:
    void Open() {
        std::lock_guard lock(mutex_);
        open_ = true;
        cv_.notify_all();
    }
    bool Wait() {
        std::unique_lock lock(mutex_);
        return cv_.wait_for(lock, 10s, [this] { return open_; });
    }

private:
    std::mutex mutex_;
    std::condition_variable cv_;
    bool open_ = false;
};

struct TaskTrace {
    std::atomic<bool> worked{false};
    std::atomic<bool> destroyed{false};
    std::atomic<bool> destroyed_on_caller{false};
};

// Marks itself running, waits for its gate unless cancelled, then succeeds.
class GatedTask : public ICvtTask {
public:
    GatedTask(Gate& gate, TaskTrace& trace, quirekit::ICvtUpateProcess* progress = nullptr)
        : ICvtTask(progress), gate_(gate), trace_(trace), creator_(std::this_thread::get_id()) {}
    ~GatedTask() override {
        trace_.destroyed_on_caller = std::this_thread::get_id() == creator_;
        trace_.destroyed = true;
    }

    void DoWork() override {
        SetResult(-1);
        if (IsCancelled()) {
            SetResult(0);
            return;
        }
        trace_.worked = true;
        SetResult(gate_.Wait() ? 1 : 0);
    }

private:
    Gate& gate_;
    TaskTrace& trace_;
    std::thread::id creator_;
};

bool WaitForResult(ICvtTask* task, int result) {
    return WaitUntil([&] { return task->GetResult() == result; });
}

TEST(TaskCenterTest, NeverStartedTaskIsWaitingAndGoesWithTheCreatorsRelease) {
    Gate gate;
    TaskTrace trace;
    auto* task = new GatedTask(gate, trace);
    EXPECT_EQ(task->GetResult(), -2);
    EXPECT_EQ(task->IsCancelled(), 0);
    task->Release();
    EXPECT_TRUE(trace.destroyed);
    EXPECT_FALSE(trace.worked);
}

TEST(TaskCenterTest, FourthConversionWaitsForAFreeWorkerAndRunsInStartOrder) {
    std::vector<Gate> gates(5);
    std::vector<TaskTrace> traces(5);
    std::vector<ICvtTask*> tasks;
    for (int i = 0; i < 5; ++i) {
        tasks.push_back(new GatedTask(gates[i], traces[i]));
        tasks.back()->Start();
    }
    for (int i = 0; i < 3; ++i)
        EXPECT_TRUE(WaitForResult(tasks[i], -1)) << i;
    std::this_thread::sleep_for(100ms);
    EXPECT_EQ(tasks[3]->GetResult(), -2);
    EXPECT_EQ(tasks[4]->GetResult(), -2);

    gates[1].Open();
    EXPECT_TRUE(WaitForResult(tasks[1], 1));
    EXPECT_TRUE(WaitForResult(tasks[3], -1));
    EXPECT_EQ(tasks[4]->GetResult(), -2);

    for (auto& gate : gates)
        gate.Open();
    for (int i = 0; i < 5; ++i) {
        EXPECT_TRUE(WaitForResult(tasks[i], 1)) << i;
        tasks[i]->Release();
    }
    for (int i = 0; i < 5; ++i)
        EXPECT_TRUE(WaitUntil([&] { return traces[i].destroyed.load(); })) << i;
}

TEST(TaskCenterTest, TaskCancelledBeforeItsTurnStillRunsAndEndsFailed) {
    std::vector<Gate> gates(4);
    std::vector<TaskTrace> traces(4);
    std::vector<ICvtTask*> tasks;
    for (int i = 0; i < 4; ++i) {
        tasks.push_back(new GatedTask(gates[i], traces[i]));
        tasks.back()->Start();
    }
    for (int i = 0; i < 3; ++i)
        ASSERT_TRUE(WaitForResult(tasks[i], -1)) << i;
    tasks[3]->Cancel();
    for (auto& gate : gates)
        gate.Open();

    EXPECT_TRUE(WaitForResult(tasks[3], 0));
    EXPECT_EQ(tasks[3]->IsCancelled(), 1);
    EXPECT_FALSE(traces[3].worked);
    for (int i = 0; i < 4; ++i) {
        EXPECT_TRUE(WaitUntil([&] { return tasks[i]->GetResult() >= 0; })) << i;
        tasks[i]->Release();
        EXPECT_TRUE(WaitUntil([&] { return traces[i].destroyed.load(); })) << i;
    }
}

TEST(TaskCenterTest, InformationQueriesRunWhileEveryConversionWorkerIsBusy) {
    Gate conversions_gate, queries_gate;
    std::vector<TaskTrace> traces(3 + KTaskCenter::kInformationWorkers);
    std::vector<ICvtTask*> tasks;
    for (int i = 0; i < 3; ++i) {
        tasks.push_back(new GatedTask(conversions_gate, traces[i]));
        tasks.back()->Start();
    }
    for (int i = 3; i < static_cast<int>(traces.size()); ++i) {
        tasks.push_back(new GatedTask(queries_gate, traces[i]));
        KTaskCenter::Instance().SubmitInformation(tasks.back());
    }
    for (int i = 0; i < static_cast<int>(tasks.size()); ++i)
        EXPECT_TRUE(WaitForResult(tasks[i], -1)) << i;

    queries_gate.Open();
    conversions_gate.Open();
    EXPECT_TRUE(KTaskCenter::Instance().WaitIdleFor(10s));
    for (int i = 0; i < static_cast<int>(tasks.size()); ++i) {
        EXPECT_EQ(tasks[i]->GetResult(), 1) << i;
        tasks[i]->Release();
        EXPECT_TRUE(traces[i].destroyed) << i;
    }
}

TEST(TaskCenterTest, ShutdownWaitIsBoundedWhileATaskHangs) {
    Gate gate;
    TaskTrace trace;
    auto* task = new GatedTask(gate, trace);
    task->Start();
    ASSERT_TRUE(WaitForResult(task, -1));
    EXPECT_FALSE(KTaskCenter::Instance().WaitIdleFor(50ms));
    gate.Open();
    EXPECT_TRUE(KTaskCenter::Instance().WaitIdleFor(10s));
    task->Release();
    EXPECT_TRUE(trace.destroyed);
}

// Counts calls that reach the sink after the window said it detached it.
struct SinkLedger {
    std::atomic<int> calls{0};
    std::atomic<bool> detached{false};
    std::atomic<int> calls_after_detach{0};
};

class RecordingSink : public quirekit::ICvtUpateProcess {
public:
    explicit RecordingSink(SinkLedger& ledger) : ledger_(ledger) {}
    void UpdateProcess(int) override {
        ++ledger_.calls;
        // Widens the window in which a detach could slip past a call in flight.
        std::this_thread::sleep_for(1ms);
        if (ledger_.detached)
            ++ledger_.calls_after_detach;
    }

private:
    SinkLedger& ledger_;
};

// Reports progress without pause until cancelled.
class ChattyTask : public ICvtTask {
public:
    ChattyTask(quirekit::ICvtUpateProcess* progress, TaskTrace& trace)
        : ICvtTask(progress), trace_(trace), creator_(std::this_thread::get_id()) {}
    ~ChattyTask() override {
        trace_.destroyed_on_caller = std::this_thread::get_id() == creator_;
        trace_.destroyed = true;
    }
    void DoWork() override {
        SetResult(-1);
        for (int percent = 0; !IsCancelled(); percent = (percent + 1) % 100)
            ReportProgress(percent);
        // One more after the window left, as a finishing task would report 100.
        ReportProgress(100);
        SetResult(0);
    }

private:
    TaskTrace& trace_;
    std::thread::id creator_;
};

TEST(TaskCenterTest, RunningTaskReleasedByTheWindowNeverReachesTheDetachedRow) {
    SinkLedger ledger;
    TaskTrace trace;
    auto sink = std::make_unique<RecordingSink>(ledger);
    auto* task = new ChattyTask(sink.get(), trace);
    task->Start();
    ASSERT_TRUE(WaitUntil([&] { return ledger.calls >= 3; }));

    task->DetachProgress();
    ledger.detached = true;
    const int calls_at_detach = ledger.calls;
    task->Cancel();
    task->Release();
    sink.reset();

    EXPECT_TRUE(WaitUntil([&] { return trace.destroyed.load(); }));
    EXPECT_FALSE(trace.destroyed_on_caller);
    EXPECT_EQ(ledger.calls_after_detach, 0);
    EXPECT_EQ(ledger.calls, calls_at_detach);
}

class TimedTask : public ICvtTask {
public:
    TimedTask() : ICvtTask(nullptr) {}
    Gate finish;
    void DoWork() override {
        SetResult(-1);
        std::this_thread::sleep_for(20ms);
        SetResult(1);
        finish.Wait();
    }
};

TEST(TaskCenterTest, TimesAreReadyWhenTheOutcomeIsAndPhaseStartsWithTheRun) {
    auto* task = new TimedTask();
    task->Start();
    ASSERT_TRUE(WaitForResult(task, 1));
    // Run has not returned yet, but a window reading the times now must see the end.
    EXPECT_NE(task->EndTime(), 0);
    EXPECT_EQ(task->PhaseTime(), task->StartTime());
    EXPECT_GE(task->EndTime() - task->StartTime(), 20);
    const auto end = task->EndTime();
    task->finish.Open();
    EXPECT_TRUE(KTaskCenter::Instance().WaitIdleFor(10s));
    EXPECT_EQ(task->EndTime(), end);
    task->Release();
}

}  // namespace
