#include "system/KUpdateModules.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <functional>
#include <thread>

#include "platform/NamedMutex.h"
#include "system/SystemTestSupport.h"

namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;
using system_test::LogCapture;
using system_test::ReadAll;
using system_test::WriteComponents;

// A program folder whose "quire" is a script: each start appends its argument count and
// arguments to "starts", then runs until the test creates "release" (ten seconds at most).
class KUpdateModulesTest : public ::testing::Test {
protected:
    void SetUp() override {
        fs::create_directories(program_);
        const fs::path script = program_ / "quire";
        std::ofstream(script) << "#!/bin/sh\n"
                              << "printf '%s|%s\\n' \"$#\" \"$*\" >> '" << starts_.string() << "'\n"
                              << "i=0\n"
                              << "while [ ! -e '" << release_.string()
                              << "' ] && [ $i -lt 100 ]; do sleep 0.1; i=$((i+1)); done\n";
        fs::permissions(script, fs::perms::owner_all);
    }

    bool WaitFor(const std::function<bool()>& condition) {
        for (int i = 0; i < 500; ++i) {
            if (condition())
                return true;
            std::this_thread::sleep_for(10ms);
        }
        return false;
    }
    bool WaitForStart() {
        return WaitFor([this] { return !ReadAll(starts_).empty(); });
    }
    void ReleaseScript() { std::ofstream(release_).close(); }

    TempDir temp_;
    const fs::path program_ = temp_ / "program";
    const fs::path user_ = temp_ / "user";
    const fs::path starts_ = temp_ / "starts";
    const fs::path release_ = temp_ / "release";
    system_test::OwnRuntimeFolder runtime_;
    KUpdateModules modules_{{program_, user_, program_ / "quire"}};
};

TEST_F(KUpdateModulesTest, UpdateProcessGetsOneSwitchAndFinishesWhenItEnds) {
    LogCapture log;
    ASSERT_TRUE(modules_.UpdateByProcess());
    ASSERT_TRUE(WaitForStart());
    EXPECT_TRUE(modules_.WasStarted());
    EXPECT_FALSE(modules_.IsFinished());
    // Asking again while it runs starts no second process.
    EXPECT_TRUE(modules_.UpdateByProcess());

    ReleaseScript();
    EXPECT_TRUE(WaitFor([this] { return modules_.IsFinished(); }));
    EXPECT_EQ(ReadAll(starts_), "1|-update_files\n");
    const std::string command_line = "\"" + (program_ / "quire").string() + "\" -update_files";
    const std::string text = log.Text();
    EXPECT_NE(text.find("KUpdateModules::UpdateByProcess StartApp cmdline:" + command_line),
              std::string::npos);
    EXPECT_NE(text.find("KUpdateModules::UpdateByProcess return:1, cmdline:" + command_line),
              std::string::npos);
    EXPECT_NE(text.find("KUpdateModules::IsFinished quire.exe /updatefiles is running"),
              std::string::npos);
}

TEST_F(KUpdateModulesTest, PresentComponentsFinishTheWaitWhileTheProcessStillRuns) {
    ASSERT_TRUE(modules_.UpdateByProcess());
    ASSERT_TRUE(WaitForStart());
    EXPECT_FALSE(modules_.IsFinished());
    WriteComponents(program_);
    EXPECT_TRUE(modules_.IsFinished());
    ReleaseScript();
}

TEST_F(KUpdateModulesTest, WithoutAStartedProcessTheWaitIsOver) {
    EXPECT_TRUE(modules_.IsFinished());
    KUpdateModules modules({program_, user_, program_ / "absent"});
    LogCapture log;
    EXPECT_FALSE(modules.UpdateByProcess());
    EXPECT_TRUE(log.Contains("KUpdateModules::UpdateByProcess return:0"));
    EXPECT_FALSE(modules.WasStarted());
    EXPECT_TRUE(modules.IsFinished());
}

TEST_F(KUpdateModulesTest, StartUpStartsAnUpdateOnlyWhenNeededAndNoneRuns) {
    LogCapture log;
    {
        auto held = platform::NamedMutex::Create(components::kUpdateMutexName);
        ASSERT_EQ(held.status, platform::NamedMutex::Status::Created);
        EXPECT_EQ(StartUpdateIfNeeded(modules_), UpdateStart::AlreadyUpdating);
        EXPECT_TRUE(log.Contains("pdfsdk is updating"));
    }
    EXPECT_FALSE(modules_.WasStarted());
    EXPECT_TRUE(fs::exists(user_ / components::kMarkerFileName));

    EXPECT_EQ(StartUpdateIfNeeded(modules_), UpdateStart::Started);
    ASSERT_TRUE(WaitForStart());
    ReleaseScript();
    EXPECT_TRUE(WaitFor([this] { return modules_.IsFinished(); }));
    EXPECT_EQ(ReadAll(starts_), "1|-update_files\n");
}

TEST_F(KUpdateModulesTest, StartUpStartsNothingWhenComponentsArePresent) {
    WriteComponents(program_);
    EXPECT_EQ(StartUpdateIfNeeded(modules_), UpdateStart::NotNeeded);
    EXPECT_FALSE(modules_.WasStarted());
    EXPECT_TRUE(fs::exists(user_ / components::kMarkerFileName));

    KUpdateModules broken({temp_ / "empty", user_, temp_ / "empty" / "quire"});
    EXPECT_EQ(StartUpdateIfNeeded(broken), UpdateStart::StartFailed);
}

}  // namespace
