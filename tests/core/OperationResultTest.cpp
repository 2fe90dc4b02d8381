// Reading a job back: the values a core would write are set through the manager, as the pipe
// handler sets them on a core's "notify".
#include <gtest/gtest.h>

#include <chrono>
#include <deque>
#include <thread>
#include <vector>

#include "OperationTestSupport.h"
#include "core/KImgOperate.h"
#include "core/KPdfToImages.h"
#include "core/OperationWait.h"
#include "tasks/ICvtTask.h"
#include "tasks/TaskResultSignal.h"

namespace {

using namespace std::chrono_literals;

class PlainTask : public ICvtTask {
public:
    PlainTask() : ICvtTask(nullptr) {}
};

struct TaskHandle {
    ICvtTask* task = new PlainTask();
    ~TaskHandle() { task->Release(); }
    ICvtTask& operator*() const { return *task; }
    ICvtTask* operator->() const { return task; }
};

TEST(OperationResultTest, ResultProgressAndErrorOfASubmittedJob) {
    auto manager = IdleManager();
    KImgOperate op(manager.get());
    ASSERT_TRUE(op.ReformatImage("/a.bmp", "/b.png"));
    const int id = op.CoreTaskId();

    // No core has taken the job yet: still running.
    EXPECT_EQ(op.GetResult(), -1);
    EXPECT_EQ(op.GetProgress(), -1);
    EXPECT_EQ(op.GetError(), "");

    manager->SetInfo(id, "progress", "37");
    EXPECT_EQ(op.GetProgress(), 37);
    const std::pair<const char*, int> results[] = {{"-1", -1}, {"2", 2}, {"1", 1}, {"0", 0}};
    for (const auto& [value, expected] : results) {
        manager->SetInfo(id, "result", value);
        EXPECT_EQ(op.GetResult(), expected) << value;
    }
    manager->SetInfo(id, "error", "Invalid password");
    EXPECT_EQ(op.GetError(), "Invalid password");
}

// The polling loops look again as soon as a final result is stored, and only then.
TEST(OperationResultTest, FinalResultsOfJobsAndTasksRingTheResultSignal) {
    keasy::ChangeSignal& signal = TaskResultSignal();
    auto manager = IdleManager();
    KImgOperate op(manager.get());
    ASSERT_TRUE(op.ReformatImage("/a.bmp", "/b.png"));
    const int id = op.CoreTaskId();
    std::uint64_t seen = signal.Generation();
    manager->SetInfo(id, "progress", "37");
    manager->SetInfo(id, "error", "Invalid password");
    EXPECT_EQ(signal.Generation(), seen);
    manager->SetInfo(id, "result", "0");
    EXPECT_NE(signal.Generation(), seen);

    TaskHandle task;
    seen = signal.Generation();
    task->SetResult(-1);
    EXPECT_EQ(signal.Generation(), seen);
    task->SetResult(1);
    EXPECT_NE(signal.Generation(), seen);

    // A job no core takes fails from inside the manager.
    auto untaken = IdleManager(0ms);
    KImgOperate lost(untaken.get());
    ASSERT_TRUE(lost.ReformatImage("/a.bmp", "/b.png"));
    seen = signal.Generation();
    EXPECT_EQ(lost.GetResult(), 0);
    EXPECT_NE(signal.Generation(), seen);
}

TEST(OperationResultTest, JobNoCoreCanTakeEndsAsAFailureWithTheManagersError) {
    auto manager = IdleManager(0ms);
    KImgOperate op(manager.get());
    ASSERT_TRUE(op.ReformatImage("/a.bmp", "/b.png"));
    EXPECT_EQ(op.GetResult(), 0);
    EXPECT_FALSE(op.GetError().empty());
}

TEST(OperationResultTest, UnsubmittedJobIsNotRunning) {
    auto manager = IdleManager();
    KImgOperate op(manager.get());
    EXPECT_EQ(op.GetResult(), 0);
}

TEST(OperationResultTest, CancelMarksTheJobForItsCore) {
    auto manager = IdleManager();
    KImgOperate op(manager.get());
    ASSERT_TRUE(op.ReformatImage("/a.bmp", "/b.png"));
    EXPECT_FALSE(manager->IsCancelled(op.CoreTaskId()));
    op.Cancel();
    EXPECT_EQ(manager->GetInfo(op.CoreTaskId(), "cancel"), "1");
    EXPECT_TRUE(manager->IsCancelled(op.CoreTaskId()));
}

// Plays back a list of results and records what the wait did with it.
struct ScriptedOperation {
    std::deque<int> results;
    int progress = 0;
    int polls = 0;
    int cancels = 0;
    std::string error = "core error";

    int GetResult() {
        ++polls;
        if (results.empty())
            return -1;
        const int result = results.front();
        results.pop_front();
        return result;
    }
    int GetProgress() { return progress += 10; }
    std::string GetError() { return error; }
    void Cancel() { ++cancels; }
};

TEST(OperationWaitTest, OutcomesOfTheWait) {
    struct Case {
        const char* name;
        bool submits;
        std::deque<int> results;
        bool cancel_task;
        bool succeeded;
        int polls;
        int cancels;
        const char* task_error;
    };
    const Case cases[] = {
        {"submit fails", false, {1}, false, false, 0, 0, "before"},
        {"success", true, {-1, -1, 1}, false, true, 3, 0, "core error"},
        {"any positive result", true, {2}, false, true, 1, 0, "core error"},
        {"failure", true, {-1, 0}, false, false, 2, 0, "core error"},
        {"cancelled while running", true, {-1, -1, -1}, true, false, 1, 1, "core error"},
        {"finished before the cancel was seen", true, {1}, true, true, 1, 0, "core error"},
    };
    for (const Case& c : cases) {
        TaskHandle task;
        task->SetErrorMsg("before");
        if (c.cancel_task)
            task->Cancel();
        ScriptedOperation op;
        op.results = c.results;
        std::vector<int> progress;
        const bool succeeded = operation_wait::RunOperation(
            op, *task, [&] { return c.submits; }, 1ms,
            [&](int percent) { progress.push_back(percent); });
        EXPECT_EQ(succeeded, c.succeeded) << c.name;
        EXPECT_EQ(op.polls, c.polls) << c.name;
        EXPECT_EQ(static_cast<int>(progress.size()), c.polls) << c.name;
        EXPECT_EQ(op.cancels, c.cancels) << c.name;
        EXPECT_EQ(task->GetErrorMsg(), c.task_error) << c.name;
    }
}

TEST(OperationWaitTest, WaitsForTheCoreThroughTheManager) {
    auto manager = IdleManager();
    KImgOperate op(manager.get());
    TaskHandle task;
    std::vector<int> progress;
    std::thread core;
    const bool succeeded = operation_wait::RunOperation(
        op, *task,
        [&] {
            if (!op.ResizeImage("/a.png", "/b.png", 10, 10))
                return false;
            const int id = op.CoreTaskId();
            core = std::thread([&manager, id] {
                std::this_thread::sleep_for(30ms);
                manager->SetInfo(id, "progress", "60");
                std::this_thread::sleep_for(30ms);
                manager->SetInfo(id, "result", "1");
            });
            return true;
        },
        operation_wait::kImagePollInterval, [&](int percent) { progress.push_back(percent); });
    core.join();
    EXPECT_TRUE(succeeded);
    ASSERT_FALSE(progress.empty());
    EXPECT_EQ(progress.front(), -1);
    EXPECT_EQ(progress.back(), 60);
}

class ImageCountersTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(op_.ConvertToImages(11, false, "/a.pdf", "/out", 1.0f, 1));
        id_ = op_.CoreTaskId();
    }
    void Core(const char* key, const std::string& value) { manager_->SetInfo(id_, key, value); }

    std::unique_ptr<KPdfCoreManager> manager_ = IdleManager();
    std::vector<ImageStats> sent_;
    KPdfToImages op_{manager_.get(), true, [this](const ImageStats& s) { sent_.push_back(s); }};
    int id_ = 0;
};

TEST_F(ImageCountersTest, OneRecordPerNewPageAndTheFinalStateResetsTheCount) {
    op_.GetResult();
    EXPECT_TRUE(sent_.empty());

    Core("nCurImgIndex", "1");
    Core("nImgTotalCount", "4");
    Core("nImgTotalPx", "9876543210");
    Core("nImgW", "800");
    Core("strDesFileName", "/out/a_1.png");
    EXPECT_EQ(op_.GetResult(), -1);
    EXPECT_EQ(op_.GetResult(), -1);
    ASSERT_EQ(sent_.size(), 1u);
    EXPECT_EQ(sent_[0].poll_state, 0);
    EXPECT_EQ(sent_[0].current_index, 1);
    EXPECT_EQ(sent_[0].total_count, 4);
    EXPECT_EQ(sent_[0].total_pixels, "9876543210");
    EXPECT_EQ(sent_[0].max_pixels, "0");
    EXPECT_EQ(sent_[0].width, 800);
    EXPECT_EQ(sent_[0].file_name, "/out/a_1.png");
    EXPECT_EQ(sent_[0].image_kind, 2);
    EXPECT_EQ(sent_[0].merge_kind, 1);

    Core("nCurImgIndex", "2");
    Core("result", "1");
    EXPECT_EQ(op_.GetResult(), 1);
    ASSERT_EQ(sent_.size(), 2u);
    EXPECT_EQ(sent_[1].poll_state, 1);
    // After a final state the same index counts as new again.
    op_.GetResult();
    EXPECT_EQ(sent_.size(), 3u);
}

TEST_F(ImageCountersTest, CancelledJobIsCountedAsCancelled) {
    Core("nCurImgIndex", "3");
    op_.Cancel();
    ASSERT_EQ(sent_.size(), 1u);
    EXPECT_EQ(sent_[0].poll_state, 3);
    EXPECT_TRUE(manager_->IsCancelled(id_));
}

TEST(ImageStatsRecordTest, EveryFieldOfTheRecordIsFilledWithItsDeclaredType) {
    ImageStats stats;
    stats.total_pixels = "12";
    stats.file_name = "a.png";
    const report::UsageRecord record = BuildImageStatsRecord(stats);
    ASSERT_EQ(record.schema().name, "amber_birchpdf_converter_imginfo");
    ASSERT_EQ(record.values().size(), 14u);
    for (std::size_t i = 0; i < record.values().size(); ++i)
        EXPECT_TRUE(record.values()[i].has_value()) << record.schema().fields[i].name;
}

}  // namespace
