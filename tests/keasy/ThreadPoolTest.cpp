#include <gtest/gtest.h>

#include <array>
#include <atomic>
#include <map>
#include <memory>
#include <thread>
#include <vector>

#include "keasy/LambdaFunc.h"
#include "keasy/Probe.h"
#include "keasy/ThreadPool.h"

namespace keasy {
namespace {

using test::Gate;
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

    std::map<int, test::ProbeEvent> ran;
    for (const auto& event : recorder.Get(&Recorder::started)) {
        EXPECT_TRUE(ran.emplace(event.id, event).second) << "ran twice: " << event.id;
        EXPECT_NE(event.thread, std::this_thread::get_id());
        EXPECT_TRUE(event.worker >= 0 && event.worker < 4) << event.worker;
    }
    auto destroyed = recorder.Get(&Recorder::destroyed);
    EXPECT_EQ(ran.size(), 200u);
    ASSERT_EQ(destroyed.size(), 200u);
    for (const auto& event : destroyed)
        EXPECT_EQ(event.thread, ran[event.id].thread) << event.id;
    EXPECT_EQ(ThreadPool::CurrentWorkerIndex(), -1);
}

// All workers idle at first, so dispatch order decides the worker; start order is free.
TEST(ThreadPoolTest, ThreeWorkersRunThreeOfFiveAndHandOverAsTheyFinish) {
    Recorder recorder;
    std::array<Gate, 5> gates;
    ThreadPool pool(3);
    ASSERT_TRUE(pool.Start());
    for (int id = 0; id < 5; ++id)
        pool.Post(std::make_unique<Probe>(recorder, id, &gates[id]));

    ASSERT_TRUE(recorder.WaitCount(&Recorder::started, 3));
    EXPECT_FALSE(pool.WaitIdleFor(test::kSettle));
    auto started = recorder.Get(&Recorder::started);
    ASSERT_EQ(started.size(), 3u);
    for (int id = 0; id < 3; ++id)
        EXPECT_EQ(WorkerOf(started, id), id);

    gates[1].Open();
    ASSERT_TRUE(recorder.WaitCount(&Recorder::started, 4));
    EXPECT_FALSE(pool.WaitIdleFor(test::kSettle));
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
    EXPECT_TRUE(pool.WaitIdleFor(test::kBroken));
    EXPECT_EQ(recorder.Get(&Recorder::destroyed).size(), 5u);
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
                for (int i = 0; i < kPerThread; ++i)
                    pool.Post(FuncOf([&] { ++done; }));
            });
        }
        for (auto& poster : posters)
            poster.join();
        pool.WaitIdle();
        ASSERT_EQ(done.load(), kThreads * kPerThread) << "round " << round;
    }
}

TEST(ThreadPoolTest, WorkPostedBeforeStartRunsAndDestroyingFinishesEverything) {
    Recorder recorder;
    {
        ThreadPool pool(2);
        for (int id = 0; id < 30; ++id)
            pool.Post(std::make_unique<Probe>(recorder, id));
        ASSERT_TRUE(pool.Start());
        ASSERT_TRUE(pool.Start());
    }
    EXPECT_EQ(recorder.Get(&Recorder::finished).size(), 30u);
    EXPECT_EQ(recorder.Get(&Recorder::destroyed).size(), 30u);
}

TEST(ThreadPoolTest, IdleOrUnstartedPoolsDoNotBlock) {
    Recorder recorder;
    {
        ThreadPool unstarted(2);
        unstarted.Post(std::make_unique<Probe>(recorder, 0));
        EXPECT_TRUE(unstarted.WaitIdleFor(test::kBroken));
    }
    EXPECT_TRUE(recorder.Get(&Recorder::started).empty());
    EXPECT_EQ(recorder.Get(&Recorder::destroyed).size(), 1u);

    ThreadPool idle(2);
    ASSERT_TRUE(idle.Start());
    EXPECT_TRUE(idle.WaitIdleFor(test::kBroken));
}

TEST(ThreadPoolTest, WorkerCountIsClamped) {
    EXPECT_EQ(ThreadPool(-3).WorkerCount(), 1);
    EXPECT_EQ(ThreadPool(100).WorkerCount(), ThreadPool::kMaxWorkers);
}

}  // namespace
}  // namespace keasy
