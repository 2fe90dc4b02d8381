#include <gtest/gtest.h>

#include <memory>
#include <numeric>
#include <thread>
#include <vector>

#include "keasy/Probe.h"
#include "keasy/WorkerThread.h"

namespace keasy {
namespace {

using test::Gate;
using test::Ids;
using test::Probe;
using test::Recorder;

TEST(WorkerThreadTest, RunsEverythingOnceInOrderOnOneThreadThatAlsoDestroysIt) {
    Recorder recorder;
    WorkerThread worker;
    for (int id = 0; id < 10; ++id)
        worker.Post(std::make_unique<Probe>(recorder, id));
    ASSERT_TRUE(worker.Start());
    ASSERT_TRUE(worker.Start());
    for (int id = 10; id < 50; ++id)
        worker.Post(std::make_unique<Probe>(recorder, id));
    worker.WaitIdle();

    std::vector<int> expected(50);
    std::iota(expected.begin(), expected.end(), 0);
    auto started = recorder.Get(&Recorder::started);
    auto destroyed = recorder.Get(&Recorder::destroyed);
    EXPECT_EQ(Ids(started), expected);
    ASSERT_EQ(Ids(destroyed), expected);
    for (size_t i = 0; i < destroyed.size(); ++i) {
        EXPECT_NE(started[i].thread, std::this_thread::get_id());
        EXPECT_EQ(started[i].thread, started[0].thread);
        EXPECT_EQ(destroyed[i].thread, started[i].thread);
    }
}

TEST(WorkerThreadTest, WaitIdleWaitsForQueuedAndRunningWork) {
    Recorder recorder;
    Gate first;
    Gate second;
    WorkerThread worker;
    ASSERT_TRUE(worker.Start());
    worker.Post(std::make_unique<Probe>(recorder, 0, &first));
    worker.Post(std::make_unique<Probe>(recorder, 1, &second));
    ASSERT_TRUE(recorder.WaitCount(&Recorder::started, 1));
    EXPECT_FALSE(worker.WaitIdleFor(test::kSettle));

    first.Open();
    ASSERT_TRUE(recorder.WaitCount(&Recorder::started, 2));
    EXPECT_FALSE(worker.WaitIdleFor(test::kSettle));  // queue empty, one still running

    second.Open();
    EXPECT_TRUE(worker.WaitIdleFor(test::kBroken));
    EXPECT_EQ(recorder.Get(&Recorder::destroyed).size(), 2u);
}

TEST(WorkerThreadTest, DestroyingRunsQueuedWorkInOrderBeforeTheThreadEnds) {
    Recorder recorder;
    Gate gate;
    auto worker = std::make_unique<WorkerThread>();
    ASSERT_TRUE(worker->Start());
    worker->Post(std::make_unique<Probe>(recorder, 0, &gate));
    for (int id = 1; id <= 3; ++id)
        worker->Post(std::make_unique<Probe>(recorder, id));
    ASSERT_TRUE(recorder.WaitCount(&Recorder::started, 1));
    // Opened late so that the stop request is most likely made while 1..3 are still queued.
    std::thread opener([&] {
        std::this_thread::sleep_for(test::kSettle);
        gate.Open();
    });
    worker.reset();
    opener.join();
    EXPECT_EQ(Ids(recorder.Get(&Recorder::finished)), (std::vector<int>{0, 1, 2, 3}));
    EXPECT_EQ(recorder.Get(&Recorder::destroyed).size(), 4u);
}

TEST(WorkerThreadTest, NeverStartedWorkerDoesNotBlockAndDropsItsQueue) {
    Recorder recorder;
    {
        WorkerThread worker;
        worker.Post(std::make_unique<Probe>(recorder, 0));
        EXPECT_TRUE(worker.WaitIdleFor(test::kBroken));
    }
    EXPECT_TRUE(recorder.Get(&Recorder::started).empty());
    EXPECT_EQ(recorder.Get(&Recorder::destroyed).size(), 1u);
}

}  // namespace
}  // namespace keasy
