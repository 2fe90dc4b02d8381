#include "platform/Process.h"

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>

#include <fstream>
#include <sstream>

#include "platform/NamedMutex.h"
#include "platform/Tick.h"
#include "support/TempDir.h"

namespace platform {
namespace {

std::string ReadAll(const std::filesystem::path& file) {
    std::ifstream in(file);
    std::stringstream content;
    content << in.rdbuf();
    return content.str();
}

std::unique_ptr<Process> Shell(const std::string& script, std::vector<std::string> args = {}) {
    std::vector<std::string> arguments{"-c", script, "sh"};
    arguments.insert(arguments.end(), args.begin(), args.end());
    std::string error;
    auto process = Process::Spawn("/bin/sh", arguments, &error);
    EXPECT_TRUE(process) << error;
    return process;
}

TEST(ProcessTest, ArgumentsReachTheChildExactlyWithoutAShell) {
    TempDir temp;
    const auto out = temp / "args";
    auto writer = Process::Spawn(
        "/bin/sh", {"-c", "for a in \"$@\"; do printf '[%s]' \"$a\"; done > " + out.string(), "sh",
                    "a b", "$(touch pwned)", "", "引号\"'"});
    ASSERT_TRUE(writer);
    ASSERT_TRUE(writer->WaitForExit(std::chrono::seconds(5)));
    EXPECT_EQ(writer->ExitCode(), 0);
    EXPECT_EQ(ReadAll(out), "[a b][$(touch pwned)][][引号\"']");
    EXPECT_FALSE(std::filesystem::exists("pwned"));
}

TEST(ProcessTest, ExitCodesAndSignals) {
    auto child = Shell("exit 7");
    ASSERT_TRUE(child->WaitForExit(std::chrono::seconds(5)));
    EXPECT_EQ(child->ExitCode(), 7);
    EXPECT_FALSE(child->IsAlive());

    auto sleeper = Shell("exec sleep 30");
    EXPECT_FALSE(sleeper->WaitForExit(std::chrono::milliseconds(50)));
    EXPECT_TRUE(sleeper->Signal(SIGTERM));
    ASSERT_TRUE(sleeper->WaitForExit(std::chrono::seconds(5)));
    EXPECT_EQ(sleeper->ExitCode(), 128 + SIGTERM);
    EXPECT_FALSE(sleeper->Signal(SIGTERM));  // nothing left to signal
}

TEST(ProcessTest, KilledChildIsNotAliveWithin100msAndLeavesNoZombie) {
    auto child = Shell("exec sleep 30");
    ASSERT_TRUE(child->IsAlive());
    const pid_t pid = child->Pid();
    ASSERT_TRUE(child->Kill());
    const std::uint32_t start = GetTickCount();
    while (child->IsAlive() && GetTickCount() - start < 100) {
    }
    EXPECT_FALSE(child->IsAlive());
    EXPECT_LE(GetTickCount() - start, 100u);
    // Reaped: the pid is gone, not a zombie.
    EXPECT_FALSE(IsProcessAlive(pid));
    EXPECT_EQ(::kill(pid, 0), -1);
}

TEST(ProcessTest, IsProcessAliveSeesAZombieAsDead) {
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0)
        ::_exit(0);
    // Not reaped yet: a zombie.
    const std::uint32_t start = GetTickCount();
    while (IsProcessAlive(child) && GetTickCount() - start < 2000) {
    }
    EXPECT_FALSE(IsProcessAlive(child));
    EXPECT_TRUE(IsProcessAlive(::getpid()));
    ::waitpid(child, nullptr, 0);
}

TEST(ProcessTest, ChildGetsNoDescriptorsOfOursAndAnEmptySignalMask) {
    TempDir runtime;
    ScopedEnv env("XDG_RUNTIME_DIR", runtime.Path().string());
    auto lock = NamedMutex::Create("quire-test-cloexec");
    ASSERT_EQ(lock.status, NamedMutex::Status::Created);
    auto holder = Shell("exec sleep 30");  // its pidfd is ours too

    sigset_t blocked;
    sigemptyset(&blocked);
    sigaddset(&blocked, SIGTERM);
    sigset_t previous;
    ::pthread_sigmask(SIG_BLOCK, &blocked, &previous);
    const auto out = runtime / "report";
    auto child = Shell("ls -l /proc/self/fd/ > \"$1\"; grep SigBlk /proc/self/status >> \"$1\"",
                       {out.string()});
    ::pthread_sigmask(SIG_SETMASK, &previous, nullptr);
    ASSERT_TRUE(child->WaitForExit(std::chrono::seconds(5)));

    const std::string report = ReadAll(out);
    EXPECT_EQ(report.find(lock.mutex->LockFilePath()), std::string::npos) << report;
    EXPECT_EQ(report.find("pidfd"), std::string::npos) << report;
    EXPECT_NE(report.find("SigBlk:\t0000000000000000"), std::string::npos) << report;
    holder->Kill();
    EXPECT_TRUE(holder->WaitForExit(std::chrono::seconds(5)));
}

TEST(ProcessTest, EnvironmentAndWorkingFolder) {
    TempDir temp;
    Process::Options options;
    options.working_folder = temp.Path();
    options.extra_environment = {"QUIRE_TEST_VALUE=值 1", "HOME=/nowhere"};
    auto child = Process::Spawn(
        "/bin/sh", {"-c", "printf '%s|%s|%s' \"$QUIRE_TEST_VALUE\" \"$HOME\" \"$PWD\" > out"},
        options);
    ASSERT_TRUE(child);
    ASSERT_TRUE(child->WaitForExit(std::chrono::seconds(5)));
    EXPECT_EQ(ReadAll(temp / "out"), "值 1|/nowhere|" + temp.Path().string());
}

TEST(ProcessTest, MissingExecutableFailsWithAReason) {
    std::string error;
    EXPECT_FALSE(Process::Spawn("/nonexistent/quire-core", {}, &error));
    EXPECT_NE(error.find("/nonexistent/quire-core"), std::string::npos);
    EXPECT_EQ(FindInPath("definitely-not-a-program-here"), std::filesystem::path());
    EXPECT_EQ(FindInPath("sh").filename(), "sh");
}

TEST(ProcessTest, DroppedRunningChildIsReapedByALaterSpawn) {
    pid_t pid = 0;
    {
        auto child = Shell("exit 0");
        pid = child->Pid();
        // Destroyed before it ended (most likely) or after; either way no zombie may stay.
    }
    const std::uint32_t start = GetTickCount();
    while (GetTickCount() - start < 3000) {
        auto next = Shell("exit 0");
        next->WaitForExit(std::chrono::seconds(5));
        if (::kill(pid, 0) != 0)
            break;
    }
    EXPECT_EQ(::kill(pid, 0), -1);
}

}  // namespace
}  // namespace platform
