#include "system/ComponentFiles.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include "platform/NamedMutex.h"
#include "system/SystemTestSupport.h"

namespace {

namespace fs = std::filesystem;
using system_test::LogCapture;
using system_test::ReadAll;
using system_test::WriteComponents;

class ComponentFilesTest : public ::testing::Test {
protected:
    TempDir temp_;
    const fs::path program_ = temp_ / "program";
    const fs::path user_ = temp_ / "home" / "quire";
    system_test::OwnRuntimeFolder runtime_;
};

TEST_F(ComponentFilesTest, EveryFileAloneMissingMakesAnUpdateNecessary) {
    for (std::string_view missing : components::kRequiredFiles) {
        SCOPED_TRACE(std::string(missing));
        TempDir program;
        WriteComponents(program.Path(), missing);
        LogCapture log;
        EXPECT_FALSE(components::ComponentsPresent(program.Path()));
        EXPECT_TRUE(components::IsNeedUpdate(program.Path(), user_));
        EXPECT_TRUE(
            log.Contains("ComponentsPresent missing:" + (program / std::string(missing)).string()));
    }
}

TEST_F(ComponentFilesTest, OnlyTheFirstMissingFileIsReported) {
    fs::create_directories(program_);
    LogCapture log;
    EXPECT_FALSE(components::ComponentsPresent(program_));
    const std::string text = log.Text();
    EXPECT_NE(text.find(std::string(components::kRequiredFiles.front())), std::string::npos);
    EXPECT_EQ(text.find(std::string(components::kRequiredFiles.back())), std::string::npos);
}

TEST_F(ComponentFilesTest, AFolderInPlaceOfAComponentDoesNotCount) {
    WriteComponents(program_, components::kRequiredFiles.back());
    fs::create_directory(program_ / components::kRequiredFiles.back());
    EXPECT_FALSE(components::ComponentsPresent(program_));
}

TEST_F(ComponentFilesTest, AllPresentNeedsNoUpdateWithoutAnUpdaterButLeavesTheMarker) {
    WriteComponents(program_);
    ASSERT_FALSE(fs::exists(program_ / "toolupd.so"));
    EXPECT_TRUE(components::ComponentsPresent(program_));
    EXPECT_FALSE(components::IsNeedUpdate(program_, user_));

    const fs::path marker = user_ / components::kMarkerFileName;
    EXPECT_EQ(ReadAll(marker), " ");
    struct stat info {};
    ASSERT_EQ(::stat(user_.c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0700u);
    // The program folder is read-only at run time and stays untouched.
    EXPECT_FALSE(fs::exists(program_ / components::kMarkerFileName));
}

TEST_F(ComponentFilesTest, AnExistingMarkerIsKept) {
    fs::create_directories(user_);
    std::ofstream(user_ / components::kMarkerFileName) << "earlier";
    EXPECT_TRUE(components::IsNeedUpdate(program_, user_));
    EXPECT_EQ(ReadAll(user_ / components::kMarkerFileName), "earlier");
}

TEST_F(ComponentFilesTest, AnUnwritableUserFolderIsLoggedAndChangesNothing) {
    std::ofstream(temp_ / "file") << "a file, not a folder";
    LogCapture log;
    WriteComponents(program_);
    EXPECT_FALSE(components::IsNeedUpdate(program_, temp_ / "file" / "quire"));
    EXPECT_TRUE(log.Contains("IsNeedUpdate marker not written"));
}

TEST_F(ComponentFilesTest, IsUpdatingFollowsTheUpdateMutex) {
    LogCapture log;
    EXPECT_FALSE(components::IsUpdating());
    EXPECT_FALSE(log.Contains("pdfsdk is updating"));
    {
        auto held = platform::NamedMutex::Create(components::kUpdateMutexName);
        ASSERT_EQ(held.status, platform::NamedMutex::Status::Created);
        EXPECT_TRUE(components::IsUpdating());
        EXPECT_TRUE(log.Contains("pdfsdk is updating"));
    }
    EXPECT_FALSE(components::IsUpdating());
}

}  // namespace
