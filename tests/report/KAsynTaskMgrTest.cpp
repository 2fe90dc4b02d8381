#include "report/KAsynTaskMgr.h"

#include <gtest/gtest.h>

#include <atomic>
#include <condition_variable>
#include <mutex>
#include <thread>

#include "keasy/LambdaFunc.h"

namespace report {
namespace {

using namespace std::chrono_literals;

constexpr auto kBroken = 30s;

// Opened by the test; tasks wait on it. Shared, so that a task left running past a shutdown
// still has it.
class Gate {
public:
    void Open() {
        std::lock_guard lock(mutex_);
        open_ = true;
        cv_.notify_all();
    }
    bool WaitOpen() {
        std::unique_lock lock(mutex_);
        return cv_.wait_for(lock, kBroken, [this] { return open_; });
    }

private:
    std::mutex mutex_;
    std::condition_variable cv_;
    bool open_ = false;  // guarded by mutex_
};

// Counts runs; the thread that runs it must also be the one that destroys it.
class CountingTask final : public keasy::IFunc {
public:
    CountingTask(std::atomic<int>& runs, std::atomic<int>& destroyed_elsewhere)
        : runs_(runs), destroyed_elsewhere_(destroyed_elsewhere) {}
    ~CountingTask() override {
        if (std::this_thread::get_id() != runner_)
            ++destroyed_elsewhere_;
    }
    void Invoke() override {
        runner_ = std::this_thread::get_id();
        ++runs_;
    }

private:
    std::atomic<int>& runs_;
    std::atomic<int>& destroyed_elsewhere_;
    std::thread::id runner_;
};

// Blocks until its gate opens, then writes to its own members: if the manager freed it while
// it ran, the sanitizer reports the write.
class StuckTask final : public keasy::IFunc {
public:
    StuckTask(std::shared_ptr<Gate> gate, std::shared_ptr<Gate> done)
        : gate_(std::move(gate)), done_(std::move(done)) {}
    void Invoke() override {
        gate_->WaitOpen();
        for (int& value : scratch_)
            value = 1;
        done_->Open();
    }

private:
    std::shared_ptr<Gate> gate_;
    std::shared_ptr<Gate> done_;
    int scratch_[64] = {};
};

TEST(KAsynTaskMgrTest, RunsEachTaskOnceOffTheCallerThreadAndDestroysItThere) {
    std::atomic<int> runs{0};
    std::atomic<int> destroyed_elsewhere{0};
    std::atomic<int> on_caller_thread{0};
    const auto caller = std::this_thread::get_id();
    {
        KAsynTaskMgr manager;
        for (int i = 0; i < 20; ++i)
            ASSERT_TRUE(manager.Add(std::make_unique<CountingTask>(runs, destroyed_elsewhere)));
        ASSERT_TRUE(manager.Add(keasy::FuncOf(
            [&] { on_caller_thread += std::this_thread::get_id() == caller ? 1 : 0; })));
        EXPECT_TRUE(manager.Shutdown(kBroken));
    }
    EXPECT_EQ(runs, 20);
    EXPECT_EQ(destroyed_elsewhere, 0);
    EXPECT_EQ(on_caller_thread, 0);
}

TEST(KAsynTaskMgrTest, DropsFinishedItemsBeforeEachHandOver) {
    KAsynTaskMgr manager;
    auto gate = std::make_shared<Gate>();
    auto done = std::make_shared<Gate>();
    ASSERT_TRUE(manager.Add(std::make_unique<StuckTask>(gate, done)));
    std::atomic<int> runs{0};
    std::atomic<int> ignored{0};
    for (int i = 0; i < 3; ++i)
        ASSERT_TRUE(manager.Add(std::make_unique<CountingTask>(runs, ignored)));

    // Once the quick tasks have finished, a hand-over leaves only the stuck item and the new
    // one; without the dropping the list would only grow.
    const auto deadline = std::chrono::steady_clock::now() + kBroken;
    std::size_t count = 0;
    do {
        std::this_thread::sleep_for(1ms);
        ASSERT_TRUE(manager.Add(std::make_unique<CountingTask>(runs, ignored)));
        count = manager.ItemCount();
    } while (count > 2 && std::chrono::steady_clock::now() < deadline);
    EXPECT_LE(count, 2u);
    EXPECT_GE(count, 1u);

    gate->Open();
    EXPECT_TRUE(manager.Shutdown(kBroken));
    EXPECT_EQ(manager.ItemCount(), 0u);
}

TEST(KAsynTaskMgrTest, ShutdownWithAStuckTaskReturnsWithinItsBoundAndFreesNothingInUse) {
    auto gate = std::make_shared<Gate>();
    auto done = std::make_shared<Gate>();
    std::atomic<int> runs{0};
    std::atomic<int> destroyed_elsewhere{0};
    {
        KAsynTaskMgr manager;
        ASSERT_TRUE(manager.Add(std::make_unique<StuckTask>(gate, done)));
        ASSERT_TRUE(manager.Add(std::make_unique<CountingTask>(runs, destroyed_elsewhere)));

        const auto start = std::chrono::steady_clock::now();
        EXPECT_FALSE(manager.Shutdown(200ms));
        const auto took = std::chrono::steady_clock::now() - start;
        EXPECT_GE(took, 200ms);
        EXPECT_LT(took, 2s);
        EXPECT_EQ(runs, 1);
        EXPECT_FALSE(manager.Add(std::make_unique<CountingTask>(runs, destroyed_elsewhere)));
    }
    // The manager is gone; the stuck task runs on and finishes with its own memory intact.
    gate->Open();
    EXPECT_TRUE(done->WaitOpen());
    EXPECT_EQ(runs, 1);
}

}  // namespace
}  // namespace report
