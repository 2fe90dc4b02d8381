#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>

#include "keasy/ChangeSignal.h"
#include "keasy/Probe.h"

namespace keasy {
namespace {

using namespace std::chrono_literals;

TEST(ChangeSignalTest, AChangeBetweenTheLookAndTheWaitIsNotMissed) {
    ChangeSignal signal;
    const std::uint64_t seen = signal.Generation();
    signal.Notify();
    EXPECT_NE(signal.Generation(), seen);
    // Returns at once; a lost change would hold this for the whole bound and then fail.
    EXPECT_TRUE(signal.WaitFor(seen, test::kBroken));
}

TEST(ChangeSignalTest, WakesEveryWaiterOnOtherThreads) {
    ChangeSignal signal;
    const std::uint64_t seen = signal.Generation();
    std::atomic<int> woken{0};
    std::thread first([&] { woken += signal.WaitFor(seen, test::kBroken) ? 1 : 0; });
    std::thread second([&] { woken += signal.WaitFor(seen, test::kBroken) ? 1 : 0; });
    std::this_thread::sleep_for(test::kSettle);
    signal.Notify();
    first.join();
    second.join();
    EXPECT_EQ(woken.load(), 2);
}

TEST(ChangeSignalTest, WithoutAChangeTheWaitEndsAtItsBound) {
    ChangeSignal signal;
    signal.Notify();
    EXPECT_FALSE(signal.WaitFor(signal.Generation(), 1ms));
}

}  // namespace
}  // namespace keasy
