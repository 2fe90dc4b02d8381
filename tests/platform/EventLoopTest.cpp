#include "platform/EventLoop.h"

#include <gtest/gtest.h>
#include <signal.h>

#include <thread>
#include <vector>

namespace platform {
namespace {

TEST(EventLoopTest, RunsPostedClosuresInOrderOnTheLoopThreadUntilQuit) {
    EventLoop loop;
    std::vector<int> order;  // touched only on the loop thread
    const auto loop_thread = std::this_thread::get_id();
    bool all_on_loop_thread = true;
    std::thread poster([&] {
        for (int i = 0; i < 100; ++i)
            loop.Post([&, i] {
                order.push_back(i);
                all_on_loop_thread =
                    all_on_loop_thread && std::this_thread::get_id() == loop_thread;
            });
        loop.Post([&] { loop.Quit(5); });
    });
    EXPECT_EQ(loop.Run(), 5);
    poster.join();
    ASSERT_EQ(order.size(), 100u);
    for (int i = 0; i < 100; ++i)
        EXPECT_EQ(order[i], i);
    EXPECT_TRUE(all_on_loop_thread);
    EXPECT_EQ(loop.QuitSignal(), 0);

    // After the quit, posts are dropped and Run returns at once.
    bool ran = false;
    loop.Post([&] { ran = true; });
    EXPECT_EQ(loop.Run(), 5);
    EXPECT_FALSE(ran);
}

TEST(EventLoopTest, TerminationSignalEndsTheLoop) {
    sigset_t set;
    sigemptyset(&set);
    sigaddset(&set, SIGTERM);
    sigaddset(&set, SIGINT);
    sigaddset(&set, SIGHUP);
    sigset_t previous;
    ::pthread_sigmask(SIG_BLOCK, &set, &previous);
    {
        EventLoop loop;
        // Sent to the process; every thread blocks it, so the loop's descriptor takes it.
        loop.Post([] { ::kill(::getpid(), SIGTERM); });
        EXPECT_EQ(loop.Run(), 128 + SIGTERM);
        EXPECT_EQ(loop.QuitSignal(), SIGTERM);
    }
    ::pthread_sigmask(SIG_SETMASK, &previous, nullptr);
}

}  // namespace
}  // namespace platform
