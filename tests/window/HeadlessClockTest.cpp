#include <gtest/gtest.h>

#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "platform/window/HeadlessWindowSystem.h"

namespace platform {
namespace {

using namespace std::chrono_literals;
using Fired = std::vector<std::pair<std::string, std::uint64_t>>;

TEST(HeadlessClockTest, TimersFireInTimeOrderWithTiesInStartingOrder) {
    HeadlessWindowSystem system;
    Fired fired;
    auto record = [&](std::string name) {
        return [&, name] { fired.emplace_back(name, system.NowMs()); };
    };
    system.StartTimer(30ms, record("a"));
    system.StartTimer(20ms, record("b"));
    system.StartTimer(20ms, record("c"));
    system.AdvanceClock(60ms);
    const Fired expected{{"b", 20}, {"c", 20}, {"a", 30}, {"b", 40},
                         {"c", 40}, {"a", 60}, {"b", 60}, {"c", 60}};
    EXPECT_EQ(fired, expected);
    EXPECT_EQ(system.NowMs(), 60u);
}

TEST(HeadlessClockTest, LateTimerCatchesUpOncePerIntervalThenPostedWorkRuns) {
    HeadlessWindowSystem system;
    std::vector<std::uint64_t> ticks;
    system.StartTimer(100ms, [&] {
        ticks.push_back(system.NowMs());
        system.Post([&] { ticks.push_back(1000 + system.NowMs()); });
    });
    system.AdvanceClock(350ms);
    // Posted closures wait until the clock has reached its target.
    EXPECT_EQ(ticks, (std::vector<std::uint64_t>{100, 200, 300, 1350, 1350, 1350}));
    ticks.clear();
    system.AdvanceClock(49ms);
    EXPECT_TRUE(ticks.empty());
    system.AdvanceClock(1ms);
    EXPECT_EQ(ticks, (std::vector<std::uint64_t>{400, 1400}));
}

TEST(HeadlessClockTest, StoppingInsideATickTakesEffectAtOnce) {
    HeadlessWindowSystem system;
    int self_stopping = 0;
    int victim = 0;
    TimerId self = 0;
    TimerId other = 0;
    self = system.StartTimer(10ms, [&] {
        if (++self_stopping == 3)
            system.StopTimer(self);
    });
    // Due at the same instants as `other`, but started first: it stops `other` before its
    // first tick.
    system.StartTimer(50ms, [&] { system.StopTimer(other); });
    other = system.StartTimer(50ms, [&] { ++victim; });
    system.AdvanceClock(200ms);
    EXPECT_EQ(self_stopping, 3);
    EXPECT_EQ(victim, 0);
}

TEST(HeadlessClockTest, RunFollowsTheVirtualClockUntilQuit) {
    HeadlessWindowSystem system;
    int ticks = 0;
    system.StartTimer(250ms, [&] {
        if (++ticks == 4)
            system.Quit(7);
    });
    EXPECT_EQ(system.Run(), 7);
    EXPECT_EQ(system.NowMs(), 1000u);
}

TEST(HeadlessClockTest, IdleRunWithNothingToWaitForGivesUp) {
    HeadlessWindowSystem system;
    system.SetIdleWaitLimit(1ms);
    bool ran = false;
    system.Post([&] { ran = true; });
    EXPECT_EQ(system.Run(), -1);
    EXPECT_TRUE(ran);
}

TEST(HeadlessClockTest, PostsFromOtherThreadsRunOnTheUiThreadInEachThreadsOrder) {
    constexpr int kThreads = 4;
    constexpr int kPerThread = 2000;
    HeadlessWindowSystem system;
    const auto ui_thread = std::this_thread::get_id();
    // All three are touched only on the UI thread, inside posted closures.
    std::vector<std::vector<int>> seen(kThreads);
    int total = 0;
    bool all_on_ui_thread = true;
    std::vector<std::thread> posters;
    for (int t = 0; t < kThreads; ++t) {
        posters.emplace_back([&, t] {
            for (int i = 0; i < kPerThread; ++i) {
                system.Post([&, t, i] {
                    seen[t].push_back(i);
                    all_on_ui_thread = all_on_ui_thread && std::this_thread::get_id() == ui_thread;
                    if (++total == kThreads * kPerThread)
                        system.Quit(0);
                });
            }
        });
    }
    EXPECT_EQ(system.Run(), 0);
    for (auto& poster : posters)
        poster.join();
    EXPECT_TRUE(all_on_ui_thread);
    for (const auto& sequence : seen) {
        ASSERT_EQ(sequence.size(), static_cast<std::size_t>(kPerThread));
        for (int i = 0; i < kPerThread; ++i)
            ASSERT_EQ(sequence[i], i);
    }
}

TEST(HeadlessClockTest, RunPendingRunsClosuresPostedWhileRunning) {
    HeadlessWindowSystem system;
    std::vector<int> order;
    system.Post([&] {
        order.push_back(1);
        system.Post([&] { order.push_back(3); });
    });
    system.Post([&] { order.push_back(2); });
    EXPECT_TRUE(system.RunPending());
    EXPECT_EQ(order, (std::vector<int>{1, 2, 3}));
    EXPECT_FALSE(system.RunPending());
}

}  // namespace
}  // namespace platform
