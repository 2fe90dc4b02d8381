#include "app/KExecCmd.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>

#include "app/AsynLog.h"
#include "platform/NamedMutex.h"
#include "support/TempDir.h"

namespace {

using Args = std::vector<std::string>;

// Fake jobs that record their calls; the log goes to a file of the test's own.
class KExecCmdTest : public ::testing::Test {
protected:
    void SetUp() override {
        std::ofstream(log_file_).close();
        ASSERT_TRUE(log_.Init(log_file_));
    }
    void TearDown() override {
        log_.WaitIdle();
        log_.Close();
    }

    int Run(const Args& argv) {
        calls_.clear();
        KExecCmd::Jobs jobs{
            [this] { return Record("load_config", config_loads_); },
            [this](const std::string& file) { return Record("feedback:" + file, report_ok_); },
            [this] { return Record("update_files", true); },
        };
        return KExecCmd(KCmdArgs(argv), std::move(jobs)).RunCmds();
    }

    bool Record(std::string call, bool result) {
        calls_.push_back(std::move(call));
        return result;
    }

    // The log lines written since the last call, without stamps and line ends.
    Args NewLogMessages() {
        log_.WaitIdle();
        std::ifstream in(log_file_);
        Args messages;
        std::string line;
        for (std::size_t index = 0; std::getline(in, line); ++index) {
            if (index > lines_seen_ && line.size() > 25)
                messages.push_back(line.substr(25, line.size() - 26));
            lines_seen_ = std::max(lines_seen_, index);
        }
        return messages;
    }

    keasy::AsynLog& log_ = keasy::AsynLog::Instance();
    TempDir temp_;
    const std::filesystem::path log_file_ = temp_ / "quire.log";
    std::size_t lines_seen_ = 0;  // line 0 is the start-up banner
    Args calls_;
    bool config_loads_ = true;
    bool report_ok_ = true;
};

TEST_F(KExecCmdTest, RunsEachPresentCommandInOrder) {
    const struct {
        Args argv;
        int executed;
        Args calls;
    } cases[] = {
        {{"/opt/q", "-from:4", "/type:1"}, 0, {}},
        {{"/opt/q", "-async_convert"}, 0, {}},
        {{"/opt/q", "-async_convert=/a b.pdf"}, 1, {"load_config", "feedback:/a b.pdf"}},
        {{"/opt/q", "-update_files", "-enable_menu:1"}, 2, {"update_files"}},
        {{"/opt/q", "-update_files", "-async_convert", "/tmp/x.pdf"},
         2,
         {"load_config", "feedback:/tmp/x.pdf", "update_files"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::PrintToString(c.argv));
        EXPECT_EQ(Run(c.argv), c.executed);
        EXPECT_EQ(calls_, c.calls);
    }
    EXPECT_EQ(
        NewLogMessages(),
        (Args{"KExecCmd::RunFeedback return:1, file:/a b.pdf", "KExecCmd::RunUpdateFiles return:1",
              "KExecCmd::EnableMenu value:1 ignored, no context-menu component",
              "KExecCmd::RunFeedback return:1, file:/tmp/x.pdf",
              "KExecCmd::RunUpdateFiles return:1"}));
}

TEST_F(KExecCmdTest, FeedbackResultAndLogLines) {
    const std::string file = "/home/me/报告 1.pdf";
    const std::string succeeded = "KExecCmd::RunFeedback return:1, file:" + file;
    const std::string failed = "KExecCmd::RunFeedback return:0, file:" + file;
    const struct {
        bool config_loads;
        bool report_ok;
        Args calls;
        Args log;
    } cases[] = {
        {true, true, {"load_config", "feedback:" + file}, {succeeded}},
        {true, false, {"load_config", "feedback:" + file}, {failed}},
        {false, true, {"load_config"}, {"KAppConfig::Instance()->LoadConfig failed", failed}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.log.back());
        config_loads_ = c.config_loads;
        report_ok_ = c.report_ok;
        EXPECT_EQ(Run({"p", "-async_convert=" + file}), 1);
        EXPECT_EQ(calls_, c.calls);
        EXPECT_EQ(NewLogMessages(), c.log);
    }
}

TEST_F(KExecCmdTest, MissingJobsFailButStillCount) {
    KExecCmd exec(KCmdArgs(Args{"p", "-async_convert=/a.pdf", "-update_files", "-enable_menu=0"}),
                  {});
    EXPECT_EQ(exec.RunCmds(), 3);
    EXPECT_EQ(
        NewLogMessages(),
        (Args{"KAppConfig::Instance()->LoadConfig failed",
              "KExecCmd::RunFeedback return:0, file:/a.pdf", "KExecCmd::RunUpdateFiles return:0",
              "KExecCmd::EnableMenu value:0 ignored, no context-menu component"}));
}

// Both answers in one test: they share a machine-wide name and must not run side by side.
TEST_F(KExecCmdTest, WidgetWritesTheFailLineOnlyWhenTheNameWasFree) {
    const std::string name(KExecCmd::kWidgetMutexName);
    auto held = platform::NamedMutex::Create(name);
    ASSERT_EQ(held.status, platform::NamedMutex::Status::Created)
        << "cannot take " << name << ": status " << static_cast<int>(held.status);

    testing::internal::CaptureStdout();
    EXPECT_EQ(Run({"p", "-widget"}), 1);
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "");

    held.mutex.reset();
    testing::internal::CaptureStdout();
    EXPECT_EQ(Run({"p", "-widget"}), 1);
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "GetIHookWatcher fail\n");
    EXPECT_FALSE(platform::NamedMutex::IsHeld(name));
    EXPECT_TRUE(calls_.empty());
}

// What a parent builds reaches the child's RunCmds as the same path, through the argv that
// Process::Spawn would be handed.
TEST_F(KExecCmdTest, ChildCommandsReachTheChild) {
    const std::string program = "/opt/my apps/quire";
    const std::string file = "/home/me/a \"quoted\" dir\\/报告.pdf";
    const Args arguments = ChildArguments(KExecCmd::FeedbackCommand(program, file));
    EXPECT_EQ(arguments, Args{"-async_convert=" + file});

    Args child_argv{program};
    child_argv.insert(child_argv.end(), arguments.begin(), arguments.end());
    EXPECT_EQ(Run(child_argv), 1);
    EXPECT_EQ(calls_, (Args{"load_config", "feedback:" + file}));

    const KCmdArgs update = KExecCmd::UpdateFilesCommand("/opt/quire/quire");
    EXPECT_EQ(update.ToCommandLine(), "/opt/quire/quire -update_files ");
    EXPECT_EQ(ChildArguments(update), Args{"-update_files"});
}

}  // namespace
