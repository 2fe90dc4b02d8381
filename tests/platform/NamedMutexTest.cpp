#include "platform/NamedMutex.h"

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include "support/TempDir.h"

namespace platform {
namespace {

class NamedMutexTest : public ::testing::Test {
protected:
    TempDir runtime_;
    ScopedEnv env_{"XDG_RUNTIME_DIR", runtime_.Path().string()};
};

TEST_F(NamedMutexTest, SecondCreateReportsAlreadyExistsUntilTheFirstIsReleased) {
    auto first = NamedMutex::Create("quire-test-mutex");
    ASSERT_EQ(first.status, NamedMutex::Status::Created);
    ASSERT_TRUE(first.mutex);
    EXPECT_TRUE(NamedMutex::IsHeld("quire-test-mutex"));

    auto second = NamedMutex::Create("quire-test-mutex");
    EXPECT_EQ(second.status, NamedMutex::Status::AlreadyExists);
    EXPECT_FALSE(second.mutex);
    // Names are distinct from one another.
    EXPECT_EQ(NamedMutex::Create("quire-test-other").status, NamedMutex::Status::Created);

    first.mutex.reset();
    EXPECT_FALSE(NamedMutex::IsHeld("quire-test-mutex"));
    EXPECT_EQ(NamedMutex::Create("quire-test-mutex").status, NamedMutex::Status::Created);
}

TEST_F(NamedMutexTest, KilledHolderFreesTheName) {
    int ready[2];
    ASSERT_EQ(::pipe(ready), 0);
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        auto held = NamedMutex::Create("Global\\quire-test-killed");
        const char status = held.status == NamedMutex::Status::Created ? 'y' : 'n';
        [[maybe_unused]] auto written = ::write(ready[1], &status, 1);
        ::pause();
        ::_exit(0);
    }
    char status = 0;
    ASSERT_EQ(::read(ready[0], &status, 1), 1);
    ASSERT_EQ(status, 'y');
    EXPECT_EQ(NamedMutex::Create("Global\\quire-test-killed").status,
              NamedMutex::Status::AlreadyExists);

    ::kill(child, SIGKILL);
    ::waitpid(child, nullptr, 0);
    ::close(ready[0]);
    ::close(ready[1]);
    auto after = NamedMutex::Create("Global\\quire-test-killed");
    EXPECT_EQ(after.status, NamedMutex::Status::Created);
}

TEST_F(NamedMutexTest, GlobalNamesAreMachineWideAndOthersPerUser) {
    const std::string global = NamedMutexLockPath("Global\\{2DAA2D83-389D}_1");
    EXPECT_EQ(global, "/tmp/quire-global/{2DAA2D83-389D}_1.lock");
    const std::string local = NamedMutexLockPath("Local\\a/b\\..");
    EXPECT_EQ(local, (runtime_ / "quire" / "locks" / "a%2Fb%5C...lock").string());
    EXPECT_EQ(NamedMutexLockPath(".."), (runtime_ / "quire" / "locks" / "%2E..lock").string());
    EXPECT_EQ(NamedMutexLockPath("Global\\"), "");
}

TEST_F(NamedMutexTest, AnotherUsersPrivateLockFileIsAccessDenied) {
    // Only a process that is not root can be denied; run the attempt as "nobody".
    if (::geteuid() != 0)
        GTEST_SKIP() << "needs root to act as another user";
    const std::string name = "Global\\quire-test-denied-" + std::to_string(::getpid());
    const std::string path = NamedMutexLockPath(name);
    ASSERT_FALSE(path.empty());
    {
        auto held = NamedMutex::Create(name);
        ASSERT_EQ(held.status, NamedMutex::Status::Created);
    }
    ::chmod(path.c_str(), 0600);  // as if its owner kept it to themselves
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        if (::setgid(65534) != 0 || ::setuid(65534) != 0)
            ::_exit(2);
        ::_exit(NamedMutex::Create(name).status == NamedMutex::Status::AccessDenied ? 0 : 1);
    }
    int status = 0;
    ::waitpid(child, &status, 0);
    ::unlink(path.c_str());
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0);
}

}  // namespace
}  // namespace platform
