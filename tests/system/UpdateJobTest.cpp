#include "system/UpdateJob.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <fstream>
#include <thread>

#include "platform/NamedMutex.h"
#include "system/SystemTestSupport.h"
#include "system/ToolUpdater.h"

namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;
using system_test::ReadAll;

// A program folder holding the updater double under its real name; every job polls every
// millisecond so that no test waits for real seconds.
class UpdateJobTest : public ::testing::Test {
protected:
    void InstallUpdater(const fs::path& library = TOOLUPD_DOUBLE) {
        fs::copy_file(library, program_ / tool_updater::kLibraryName);
    }
    update_job::Result Run(const char* mode) {
        ScopedEnv behaviour("QUIRE_TEST_TOOLUPD", mode);
        return update_job::RunUpdateJob(options_);
    }
    std::string Calls() { return ReadAll(calls_); }

    TempDir temp_;
    const fs::path program_ = temp_.Path();
    const fs::path calls_ = temp_ / "calls";
    ScopedEnv out_{"QUIRE_TEST_TOOLUPD_OUT", calls_.string()};
    system_test::OwnRuntimeFolder runtime_;
    update_job::Options options_{program_, 1ms, 10s, nullptr};
};

TEST_F(UpdateJobTest, WithoutAUsableUpdaterTheJobEndsWithCodeOne) {
    EXPECT_EQ(Run("").code, update_job::kNoUpdater);  // no library at all

    std::ofstream(program_ / tool_updater::kLibraryName) << "not a shared object";
    EXPECT_EQ(Run("").code, update_job::kNoUpdater);
    fs::remove(program_ / tool_updater::kLibraryName);

    InstallUpdater(DUMPMON_DOUBLE);  // a real library without the factory
    EXPECT_EQ(Run("").code, update_job::kNoUpdater);
    fs::remove(program_ / tool_updater::kLibraryName);

    InstallUpdater();
    const auto result = Run("nointerface");
    EXPECT_FALSE(result.success);
    EXPECT_EQ(result.code, update_job::kNoUpdater);
    EXPECT_EQ(Calls(), "factory\n");
}

TEST_F(UpdateJobTest, RefusedStartEndsWithCodeTwoAndReleasesTheUpdater) {
    InstallUpdater();
    const auto result = Run("refuse");
    EXPECT_FALSE(result.success);
    EXPECT_EQ(result.code, update_job::kStartRefused);
    EXPECT_EQ(Calls(), "factory\nstart indexpdfsdk_convertersdk_heath||0\nrelease\n");
}

TEST_F(UpdateJobTest, BusyUpdaterIsPolledUntilDoneThenReleasedOnce) {
    InstallUpdater();
    const auto channels = program_ / "ressrc" / "chs" / "uplive.svr";
    fs::create_directories(channels.parent_path());
    std::ofstream(channels) << "[common]\nChannelCount=1\n[Channel0]\n"
                               "CheckFile=pdfsdk_convertersdk_heath\nIndexName=idx-test\n";
    const auto result = Run("busy:3");
    EXPECT_TRUE(result.success);
    EXPECT_EQ(result.code, update_job::kSucceeded);
    EXPECT_EQ(result.elapsed_seconds, 0);
    EXPECT_EQ(Calls(), "factory\nstart idx-test||0\nbusy 1\nbusy 2\nbusy 3\nbusy 4\nrelease\n");
}

TEST_F(UpdateJobTest, UpdaterStillBusyAtTheBoundIsAbandonedWithCodeThree) {
    InstallUpdater();
    options_.poll_interval = 100ms;
    options_.max_wait = 1100ms;
    const auto result = Run("busy:-1");
    EXPECT_FALSE(result.success);
    EXPECT_EQ(result.code, update_job::kStillBusy);
    EXPECT_EQ(result.elapsed_seconds, 1);
    const std::string calls = Calls();
    // About one query per interval, and the working updater is never released under its feet.
    const auto queries = std::count(calls.begin(), calls.end(), '\n') - 2;
    EXPECT_GE(queries, 5);
    EXPECT_LE(queries, 13);
    EXPECT_EQ(calls.find("release"), std::string::npos);
}

TEST_F(UpdateJobTest, CancelEndsTheWaitPromptlyAndTheMutexIsHeldUntilThen) {
    InstallUpdater();
    std::atomic<bool> cancel{false};
    options_.poll_interval = 1s;
    options_.cancel = &cancel;
    ScopedEnv behaviour("QUIRE_TEST_TOOLUPD", "busy:-1");
    update_job::Result result;
    std::thread job([&] { result = update_job::RunUpdateJob(options_); });

    for (int i = 0; i < 500 && Calls().find("busy 1") == std::string::npos; ++i)
        std::this_thread::sleep_for(10ms);
    EXPECT_TRUE(components::IsUpdating());
    const auto cancelled_at = std::chrono::steady_clock::now();
    cancel = true;
    job.join();
    EXPECT_LT(std::chrono::steady_clock::now() - cancelled_at, 500ms);
    EXPECT_EQ(result.code, update_job::kStillBusy);
    EXPECT_FALSE(components::IsUpdating());
}

TEST_F(UpdateJobTest, AnotherJobHoldingTheMutexStartsNoSecondUpdater) {
    InstallUpdater();
    auto held = platform::NamedMutex::Create(components::kUpdateMutexName);
    ASSERT_EQ(held.status, platform::NamedMutex::Status::Created);
    const auto result = Run("");
    EXPECT_FALSE(result.success);
    EXPECT_EQ(result.code, update_job::kAlreadyRunning);
    EXPECT_EQ(Calls(), "");
}

}  // namespace
