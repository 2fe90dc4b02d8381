// Runs the real program with a private user folder and runtime folder and reads its log.
#include <gtest/gtest.h>
#include <signal.h>

#include <fstream>
#include <iostream>
#include <regex>
#include <sstream>
#include <thread>

#include "platform/NamedMutex.h"
#include "platform/Process.h"
#include "platform/Tick.h"
#include "support/TempDir.h"

namespace {

using namespace std::chrono_literals;

std::string ReadAll(const std::filesystem::path& file) {
    std::ifstream in(file);
    std::stringstream content;
    content << in.rdbuf();
    return content.str();
}

int Count(const std::string& text, const std::string& what) {
    int count = 0;
    for (auto at = text.find(what); at != std::string::npos; at = text.find(what, at + 1))
        ++count;
    return count;
}

class StartupTest : public ::testing::Test {
protected:
    platform::Process* Start(std::vector<std::string> arguments,
                             const std::filesystem::path& binary = QUIRE_BINARY) {
        platform::Process::Options options;
        options.extra_environment = {"QUIRE_HOME=" + home_.Path().string(),
                                     "XDG_RUNTIME_DIR=" + runtime_.Path().string(),
                                     "QUIRE_USAGE_LOG=" + (home_ / "usage.jsonl").string()};
        std::string error;
        auto process = platform::Process::Spawn(binary, arguments, options, &error);
        EXPECT_TRUE(process) << error;
        started_.push_back(std::move(process));
        return started_.back().get();
    }

    int RunToEnd(std::vector<std::string> arguments) {
        auto process = Start(std::move(arguments));
        EXPECT_TRUE(process->WaitForExit(30s));
        return process->ExitCode().value_or(-1);
    }

    // Waits until the running instance logged that its main loop runs.
    bool WaitForLog(const std::string& what, std::chrono::milliseconds limit = 20s) {
        const std::uint32_t start = platform::GetTickCount();
        while (platform::GetTickCount() - start < limit.count()) {
            if (Log().find(what) != std::string::npos)
                return true;
            std::this_thread::sleep_for(20ms);
        }
        return false;
    }

    void EnableLog() { std::ofstream(log_).close(); }
    std::string Log() { return ReadAll(log_); }

    // The build has no conversion components yet, so every start would launch an update
    // process writing to the same log; holding the update mutex stops that, as a running
    // update does.
    void HoldUpdateMutex() {
        ScopedEnv env("XDG_RUNTIME_DIR", runtime_.Path().string());
        update_mutex_ = platform::NamedMutex::Create(kUpdateMutex).mutex;
        ASSERT_TRUE(update_mutex_);
    }
    void SetUp() override { HoldUpdateMutex(); }
    // A failed check must not leave an instance running: it would outlive the test and keep
    // the test runner waiting on its output.
    void TearDown() override {
        if (HasFailure())
            std::cerr << "log of the failed test:\n" << Log() << "\n";
        for (auto& process : started_) {
            if (process && process->IsAlive()) {
                process->Kill();
                process->WaitForExit(5s);
            }
        }
    }

    // A program folder holding the program, its pipe library and shipped defaults but not the
    // core, as after an incomplete installation.
    std::filesystem::path ProgramWithoutCore() {
        const auto folder = home_ / "program";
        std::filesystem::create_directory(folder);
        const std::filesystem::path built = QUIRE_BINARY;
        for (const char* file :
             {"quire", "libquire-pipe.so", "common.dat", "switch.ini", "cfgdata", "ressrc"}) {
            if (std::filesystem::exists(built.parent_path() / file))
                std::filesystem::copy(built.parent_path() / file, folder / file,
                                      std::filesystem::copy_options::recursive);
        }
        return folder / "quire";
    }

    static constexpr const char* kUpdateMutex = "{FA31DC72-028B-429C-9E24-D1616269B436}_install";
    TempDir home_;
    TempDir runtime_;
    const std::filesystem::path log_ = home_ / "quire.log";
    std::unique_ptr<platform::NamedMutex> update_mutex_;
    std::vector<std::unique_ptr<platform::Process>> started_;  // every process a test started
};

TEST_F(StartupTest, WithoutALogFileNothingIsCreated) {
    auto first = Start({});
    // A second start ends the first through the hand-over; both leave no log behind.
    std::this_thread::sleep_for(300ms);
    EXPECT_EQ(RunToEnd({"--quit"}), 1);
    ASSERT_TRUE(first->WaitForExit(20s));
    EXPECT_FALSE(std::filesystem::exists(log_));
}

TEST_F(StartupTest, LogHoldsBannerOneMarkPerStepAndTheStopLine) {
    EnableLog();
    auto first = Start({});
    ASSERT_TRUE(WaitForLog("RunMainDlg: used time"));
    first->Signal(SIGTERM);
    ASSERT_TRUE(first->WaitForExit(20s));
    EXPECT_EQ(first->ExitCode(), 1);

    const std::string log = Log();
    const std::vector<std::string> marks = {"_tWinMain",
                                            "IsUserAnAdmin",
                                            "InitDump",
                                            "IsNeedTranferIndependentCvt",
                                            "KFunction::IsNewUser",
                                            "NeedCheckSingleInstance",
                                            "CoInitialize",
                                            "InitBkLib",
                                            "CheckSystem",
                                            "KPdfCoreManager::Instance()->Init",
                                            "KSvrTaskMgr::Instance()->Init()",
                                            "AtlInit",
                                            "RunMainDlg"};
    std::size_t at = log.find("__________ application started __________");
    ASSERT_NE(at, std::string::npos);
    for (const auto& mark : marks) {
        const auto found = log.find(mark + ": used time: ", at);
        ASSERT_NE(found, std::string::npos) << mark << " missing or out of order\n" << log;
        EXPECT_EQ(Count(log, mark + ": used time: "), 1) << mark;
        at = found;
    }
    // Steps of subsystems that do not exist yet say so instead of pretending to run.
    EXPECT_NE(log.find("window module skipped: "), std::string::npos);
    EXPECT_NE(log.find("IsUserAnAdmin return:1"), std::string::npos);
    const auto stop = log.rfind("__________ application stoped __________\r\n");
    ASSERT_NE(stop, std::string::npos);
    EXPECT_EQ(stop + std::string("__________ application stoped __________\r\n").size(),
              log.size());
}

TEST_F(StartupTest, SecondStartHandsItsCommandLineOverAndExitsWithOne) {
    EnableLog();
    auto first = Start({});
    ASSERT_TRUE(WaitForLog("RunMainDlg: used time"));

    EXPECT_EQ(RunToEnd({"-kpath:/home/用户/my file.pdf", "/type:3"}), 1);
    ASSERT_TRUE(WaitForLog("One instance is running, and it's actived"));
    const std::string expected =
        "StartupChain::OnHandOver dwData:1, cmdline:-kpath:\"/home/用户/my file.pdf\" /type:3";
    ASSERT_TRUE(WaitForLog(expected));
    EXPECT_EQ(Count(Log(), "StartupChain::OnHandOver dwData:1"), 1);
    EXPECT_TRUE(first->IsAlive());

    EXPECT_EQ(RunToEnd({"--quit"}), 1);
    ASSERT_TRUE(first->WaitForExit(20s));
    // Both the second start and the first instance end with the stop line.
    EXPECT_EQ(Count(Log(), "__________ application stoped __________"), 3);
}

TEST_F(StartupTest, KilledInstanceLeavesNothingThatStopsTheNextStart) {
    EnableLog();
    auto first = Start({});
    ASSERT_TRUE(WaitForLog("RunMainDlg: used time"));
    first->Kill();
    ASSERT_TRUE(first->WaitForExit(20s));
    ASSERT_TRUE(std::filesystem::exists(runtime_ / "quire" / "instance"));

    std::filesystem::remove(log_);
    EnableLog();
    auto second = Start({});
    ASSERT_TRUE(WaitForLog("RunMainDlg: used time"));
    EXPECT_EQ(Log().find("One instance is running"), std::string::npos);
    EXPECT_EQ(RunToEnd({"--quit"}), 1);
    ASSERT_TRUE(second->WaitForExit(20s));
}

TEST_F(StartupTest, MissingComponentsStartExactlyOneUpdateUnlessOneIsRunning) {
    EnableLog();
    const auto program = ProgramWithoutCore();
    auto first = Start({}, program);
    ASSERT_TRUE(WaitForLog("RunMainDlg: used time"));
    EXPECT_NE(Log().find("pdfsdk is updating"), std::string::npos);
    EXPECT_EQ(Log().find("UpdateByProcess StartApp"), std::string::npos);
    EXPECT_EQ(RunToEnd({"--quit"}), 1);
    ASSERT_TRUE(first->WaitForExit(20s));

    update_mutex_.reset();
    std::filesystem::remove(log_);
    EnableLog();
    auto second = Start({}, program);
    ASSERT_TRUE(WaitForLog("RunMainDlg: used time"));
    // The update process runs the special command and ends by itself (no updater here).
    ASSERT_TRUE(WaitForLog("KExecCmd::RunUpdateFiles return:0"));
    EXPECT_EQ(Count(Log(), "KUpdateModules::UpdateByProcess return:1"), 1);
    EXPECT_EQ(RunToEnd({"--quit"}), 1);
    ASSERT_TRUE(second->WaitForExit(20s));
}

TEST_F(StartupTest, SpecialCommandsRunAndEndTheProcess) {
    EnableLog();
    EXPECT_EQ(RunToEnd({"-update_files", "-enable_menu:1"}), 1);
    const std::string log = Log();
    EXPECT_NE(log.find("KExecCmd::RunUpdateFiles return:0"), std::string::npos) << log;
    EXPECT_NE(log.find("KExecCmd::EnableMenu value:1 ignored"), std::string::npos) << log;
    EXPECT_NE(log.find("executed special cmd, finished and exit"), std::string::npos);
    EXPECT_EQ(log.find("SingleInstance::Check"), std::string::npos);
    const std::string stop = "__________ application stoped __________\r\n";
    EXPECT_EQ(log.rfind(stop) + stop.size(), log.size());
}

TEST_F(StartupTest, StartupRecordCarriesTheLaunchSwitches) {
    EnableLog();
    auto first = Start({"-from:21", "/type:3", "-upfrom=7"});
    ASSERT_TRUE(WaitForLog("ReportStartup: used time"));
    EXPECT_EQ(RunToEnd({"--quit"}), 1);
    ASSERT_TRUE(first->WaitForExit(20s));
    const std::string usage = ReadAll(home_ / "usage.jsonl");
    const auto record = usage.find("amber_pdftoword_startup:7098");
    ASSERT_NE(record, std::string::npos) << usage;
    const std::string line = usage.substr(record, usage.find('\n', record) - record);
    EXPECT_NE(line.find("\"source\":21"), std::string::npos) << line;
    EXPECT_NE(line.find("\"tab_type\":3"), std::string::npos) << line;
    EXPECT_NE(line.find("\"up_from\":7"), std::string::npos) << line;
}

TEST_F(StartupTest, QuitWithoutARunningInstanceEndsAtOnce) {
    EnableLog();
    EXPECT_EQ(RunToEnd({"--quit"}), 1);
    const std::string log = Log();
    EXPECT_NE(log.find("no running instance to end"), std::string::npos);
    EXPECT_EQ(log.find("RunMainDlg"), std::string::npos);
    EXPECT_NE(log.find("__________ application stoped __________"), std::string::npos);
}

TEST_F(StartupTest, CorruptRegistryAndOnlyFeedbackModeEndCleanly) {
    EnableLog();
    std::ofstream(home_ / "registry.ini") << "\x01\x02 garbage\n[unclosed\n=\n";
    EXPECT_EQ(RunToEnd({"-only_feedback:1"}), 1);
    const std::string log = Log();
    EXPECT_NE(log.find("only_feedback skipped: "), std::string::npos);
    // Feedback-only mode never takes the single-instance name.
    EXPECT_EQ(log.find("SingleInstance::Check"), std::string::npos);
    EXPECT_NE(log.find("__________ application stoped __________"), std::string::npos);
    // What the store could not read is still there.
    EXPECT_NE(ReadAll(home_ / "registry.ini").find("garbage"), std::string::npos);
}

}  // namespace
