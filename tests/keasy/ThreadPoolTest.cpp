#include <gtest/gtest.h>

#include <array>
#include <atomic>
#include <map>
#include <memory>
#include <set>
#include <thread>
#include <vector>

#include "keasy/LambdaFunc.h"
#include "keasy/Probe.h"
#include "keasy/ThreadPool.h"

namespace keasy {
namespace {

using test::Gate;
using test::Ids;
using test::Probe;
using test::Recorder;
using test::WorkerOf;

TEST(ThreadPoolTest, RunsEachCallableOnceOnAWorkerThatAlsoDestroysIt) {
    Recorder recorder;
    ThreadPool pool(4);
    ASSERT_TRUE(pool.Start());
    for (int id = 0; id < 200; ++id)
        pool.Post(std::make_unique<Probe>(recorder, id));
    pool.WaitIdle();

    auto started = recorder.Get(&Recorder::started);
    auto destroyed = recorder.Get(&Recorder::destroyed);
    ASSERT_EQ(started.size(), 200u);
    ASSERT_EQ(destroyed.size(), 200u);
    auto ids = Ids(started);
    EXPECT_EQ(std::set<int>(ids.begin(), ids.end()).size(), 200u);
    for (const auto& event : started) {
        EXPECT_NE(event.thread, std::this_thread::get_id());
        EXPECT_GE(event.worker, 0);
        EXPECT_LT(event.worker, 4);
    }
    std::map<int, std::thread::id> ran_on;
    for (const auto& event : started)
        ran_on[event.id] = event.thread;
    for (const auto& event : destroyed)
        EXPECT_EQ(event.thread, ran_on[event.id]) << event.id;
    EXPECT_EQ(ThreadPool::CurrentWorkerIndex(), -1);
}

TEST(ThreadPoolTest, ThreeWorkersRunThreeOfFiveAndHandOverAsTheyFinish) {
    Recorder recorder;
    std::array<Gate, 5> gates;
    ThreadPool pool(3);
    ASSERT_TRUE(pool.Start());
    for (int id = 0; id < 5; ++id)
        pool.Post(std::make_unique<Probe>(recorder, id, &gates[id]));

    // All idle at first, so the dispatch order decides the worker; start order is free.
    ASSERT_TRUE(recorder.WaitCount(&Recorder::started, 3));
    std::this_thread::sleep_for(test::kSettle);
    auto started = recorder.Get(&Recorder::started);
    ASSERT_EQ(started.size(), 3u);
    for (int id = 0; id < 3; ++id)
        EXPECT_EQ(WorkerOf(started, id), id);

    gates[1].Open();
    ASSERT_TRUE(recorder.WaitCount(&Recorder::started, 4));
    std::this_thread::sleep_for(test::kSettle);
    started = recorder.Get(&Recorder::started);
    ASSERT_EQ(started.size(), 4u);
    EXPECT_EQ(started[3].id, 3);
    EXPECT_EQ(started[3].worker, 1);

    gates[0].Open();
    ASSERT_TRUE(recorder.WaitCount(&Recorder::started, 5));
    started = recorder.Get(&Recorder::started);
    EXPECT_EQ(started[4].id, 4);
    EXPECT_EQ(started[4].worker, 0);

    for (auto& gate : gates)
        gate.Open();
    pool.WaitIdle();
    EXPECT_EQ(recorder.Get(&Recorder::finished).size(), 5u);
}

TEST(ThreadPoolTest, LowestIndexedIdleWorkerGetsTheNextCallable) {
    Recorder recorder;
    Gate gate;
    ThreadPool pool(3);
    ASSERT_TRUE(pool.Start());
    pool.Post(std::make_unique<Probe>(recorder, 0, &gate));
    pool.Post(std::make_unique<Probe>(recorder, 1));
    ASSERT_TRUE(recorder.WaitCount(&Recorder::started, 2));
    gate.Open();
    pool.WaitIdle();
    for (int id = 2; id < 12; ++id) {
        pool.Post(std::make_unique<Probe>(recorder, id));
        pool.WaitIdle();
    }
    auto started = recorder.Get(&Recorder::started);
    ASSERT_EQ(started.size(), 12u);
    EXPECT_EQ(WorkerOf(started, 0), 0);
    EXPECT_EQ(WorkerOf(started, 1), 1);
    for (int id = 2; id < 12; ++id)
        EXPECT_EQ(WorkerOf(started, id), 0) << id;
}

// The follow-up lands on worker 0 after WaitIdle has most likely looked at worker 0 already.
TEST(ThreadPoolTest, WaitIdleCoversWorkPostedByARunningCallable) {
    Recorder recorder;
    Gate hold_worker0;
    Gate hold_outer;
    Gate hold_follow_up;
    ThreadPool pool(2);
    ASSERT_TRUE(pool.Start());
    pool.Post(std::make_unique<Probe>(recorder, 0, &hold_worker0));
    pool.Post(FuncOf([&] {
        hold_outer.Wait();
        pool.Post(std::make_unique<Probe>(recorder, 1, &hold_follow_up));
    }));
    hold_worker0.Open();
    ASSERT_TRUE(recorder.WaitCount(&Recorder::destroyed, 1));

    std::atomic<bool> returned{false};
    std::thread waiter([&] {
        pool.WaitIdle();
        returned = true;
    });
    std::this_thread::sleep_for(test::kSettle);
    hold_outer.Open();
    ASSERT_TRUE(recorder.WaitCount(&Recorder::started, 2));
    std::this_thread::sleep_for(test::kSettle);
    EXPECT_FALSE(returned);
    hold_follow_up.Open();
    waiter.join();
    EXPECT_EQ(recorder.Get(&Recorder::destroyed).size(), 2u);
}

// Every tenth callable posts a follow-up from inside the pool, which WaitIdle must cover too.
TEST(ThreadPoolTest, WaitIdleCoversEverythingPostedFromManyThreads) {
    constexpr int kThreads = 4;
    constexpr int kPerThread = 100;
    ThreadPool pool(3);
    ASSERT_TRUE(pool.Start());
    std::atomic<int> done{0};
    for (int round = 0; round < 20; ++round) {
        done = 0;
        std::vector<std::thread> posters;
        for (int t = 0; t < kThreads; ++t) {
            posters.emplace_back([&] {
                for (int i = 0; i < kPerThread; ++i) {
                    pool.Post(FuncOf([&, i] {
                        if (i % 10 == 0)
                            pool.Post(FuncOf([&] { ++done; }));
                        ++done;
                    }));
                }
            });
        }
        for (auto& poster : posters)
            poster.join();
        pool.WaitIdle();
        ASSERT_EQ(done.load(), kThreads * kPerThread * 11 / 10) << "round " << round;
    }
}

TEST(ThreadPoolTest, WaitIdleForReportsABusyPool) {
    Recorder recorder;
    Gate gate;
    ThreadPool pool(2);
    ASSERT_TRUE(pool.Start());
    pool.Post(std::make_unique<Probe>(recorder, 0, &gate));
    EXPECT_FALSE(pool.WaitIdleFor(test::kSettle));
    gate.Open();
    EXPECT_TRUE(pool.WaitIdleFor(test::kBroken));
    EXPECT_EQ(recorder.Get(&Recorder::destroyed).size(), 1u);
}

TEST(ThreadPoolTest, IdleAndUnstartedPoolsDoNotBlock) {
    Recorder recorder;
    {
        ThreadPool unstarted(2);
        unstarted.WaitIdle();
        unstarted.Post(std::make_unique<Probe>(recorder, 0));
        EXPECT_TRUE(unstarted.WaitIdleFor(test::kBroken));
    }
    EXPECT_TRUE(recorder.Get(&Recorder::started).empty());
    EXPECT_EQ(recorder.Get(&Recorder::destroyed).size(), 1u);

    ThreadPool idle(2);
    ASSERT_TRUE(idle.Start());
    ASSERT_TRUE(idle.Start());
    idle.WaitIdle();
}

TEST(ThreadPoolTest, WorkPostedBeforeStartRunsAndDestroyingFinishesEverything) {
    Recorder recorder;
    {
        ThreadPool pool(2);
        for (int id = 0; id < 30; ++id)
            pool.Post(std::make_unique<Probe>(recorder, id));
        ASSERT_TRUE(pool.Start());
    }
    EXPECT_EQ(recorder.Get(&Recorder::finished).size(), 30u);
    EXPECT_EQ(recorder.Get(&Recorder::destroyed).size(), 30u);
}

TEST(ThreadPoolTest, WorkerCountIsClamped) {
    EXPECT_EQ(ThreadPool(0).WorkerCount(), 1);
    EXPECT_EQ(ThreadPool(100).WorkerCount(), ThreadPool::kMaxWorkers);

    Recorder recorder;
    ThreadPool pool(-3);
    ASSERT_TRUE(pool.Start());
    pool.Post(std::make_unique<Probe>(recorder, 0));
    pool.WaitIdle();
    auto started = recorder.Get(&Recorder::started);
    ASSERT_EQ(started.size(), 1u);
    EXPECT_EQ(started[0].worker, 0);
}

}  // namespace
}  // namespace keasy
