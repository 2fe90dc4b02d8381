#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <atomic>
#include <stdexcept>
#include <thread>

#include "keasy/Probe.h"
#include "keasy/RecursiveLock.h"

namespace keasy {
namespace {

class MockLock : public ILock {
public:
    MOCK_METHOD(void, Lock, (), (override));
    MOCK_METHOD(void, Unlock, (), (override));
};

TEST(LockGuardTest, UnlocksOnEveryExitPath) {
    MockLock lock;
    testing::InSequence order;
    EXPECT_CALL(lock, Lock()).Times(1);
    EXPECT_CALL(lock, Unlock()).Times(1);
    EXPECT_THROW(
        {
            LockGuard guard(lock);
            throw std::runtime_error("leave");
        },
        std::runtime_error);
}

TEST(LockTest, OwnerMayRelockWhileOthersWait) {
    Lock lock;
    std::atomic<bool> other_got_it{false};
    std::thread other;
    {
        LockGuard outer(lock);
        LockGuard inner(lock);
        other = std::thread([&] {
            LockGuard guard(lock);
            other_got_it = true;
        });
        std::this_thread::sleep_for(test::kSettle);
        EXPECT_FALSE(other_got_it);
    }
    other.join();
    EXPECT_TRUE(other_got_it);
}

}  // namespace
}  // namespace keasy
