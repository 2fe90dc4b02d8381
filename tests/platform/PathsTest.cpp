#include "platform/Paths.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <fstream>

#include "support/TempDir.h"

namespace platform {
namespace {

TEST(PathsTest, UserFolderPrefersQuireHomeThenXdgThenHome) {
    TempDir temp;
    ScopedEnv home("HOME", temp.Path().string());
    {
        ScopedEnv quire_home("QUIRE_HOME", (temp / "qh").string());
        ScopedEnv xdg("XDG_CONFIG_HOME", (temp / "xdg").string());
        EXPECT_EQ(UserFolder(), temp / "qh");
    }
    {
        ScopedEnv quire_home("QUIRE_HOME", nullptr);
        ScopedEnv xdg("XDG_CONFIG_HOME", (temp / "xdg").string());
        EXPECT_EQ(UserFolder(), temp / "xdg" / "quire");
    }
    {
        ScopedEnv quire_home("QUIRE_HOME", nullptr);
        // A relative XDG value is invalid and must be ignored.
        ScopedEnv xdg("XDG_CONFIG_HOME", "relative/dir");
        EXPECT_EQ(UserFolder(), temp.Path() / ".config" / "quire");
    }
}

TEST(PathsTest, ReadsPreferTheUserFolderOverTheProgramFolder) {
    TempDir temp;
    ScopedEnv quire_home("QUIRE_HOME", temp.Path().string());
    EXPECT_EQ(ResolveReadPath("switch.ini"), ProgramFolder() / "switch.ini");
    std::ofstream(temp / "switch.ini") << "x";
    EXPECT_EQ(ResolveReadPath("switch.ini"), temp / "switch.ini");
}

TEST(PathsTest, PrivateFolderIsCreatedOwnerOnly) {
    TempDir temp;
    ScopedEnv runtime("XDG_RUNTIME_DIR", temp.Path().string());
    auto folder = PrivateFolder();
    ASSERT_TRUE(folder);
    EXPECT_EQ(*folder, temp / "quire");
    struct stat info {};
    ASSERT_EQ(::stat(folder->c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0700u);

    // Loose bits on our own folder are tightened.
    ::chmod(folder->c_str(), 0755);
    ASSERT_TRUE(PrivateSubfolder("pipe"));
    ASSERT_EQ(::stat(folder->c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0700u);
}

TEST(PathsTest, PrivateFolderRefusesASymlinkOrAnotherOwner) {
    TempDir temp;
    ScopedEnv runtime("XDG_RUNTIME_DIR", temp.Path().string());
    std::filesystem::create_directory(temp / "elsewhere");
    std::filesystem::create_directory_symlink(temp / "elsewhere", temp / "quire");
    EXPECT_FALSE(PrivateFolder());

    std::filesystem::remove(temp / "quire");
    std::filesystem::create_directory(temp / "quire");
    ASSERT_EQ(::chown((temp / "quire").c_str(), 65534, 65534), 0);
    EXPECT_FALSE(PrivateFolder());
}

TEST(PathsTest, PrivateFolderFallsBackToTmpdirPerUser) {
    TempDir temp;
    ScopedEnv runtime("XDG_RUNTIME_DIR", nullptr);
    ScopedEnv tmpdir("TMPDIR", temp.Path().string());
    auto folder = PrivateFolder();
    ASSERT_TRUE(folder);
    EXPECT_EQ(*folder, temp / ("quire-" + std::to_string(::geteuid())));
}

TEST(PathsTest, XdgUserDirsAreReadWithHomeExpansionAndFallBack) {
    TempDir temp;
    ScopedEnv home("HOME", temp.Path().string());
    ScopedEnv xdg("XDG_CONFIG_HOME", nullptr);
    EXPECT_EQ(DocumentsFolder(), temp / "Documents");
    std::filesystem::create_directories(temp / ".config");
    std::ofstream(temp / ".config" / "user-dirs.dirs")
        << "# comment\nXDG_DESKTOP_DIR=\"$HOME/桌面\"\nXDG_DOCUMENTS_DIR=\"/data/文档\"\n";
    EXPECT_EQ(DesktopFolder(), temp / "桌面");
    EXPECT_EQ(DocumentsFolder(), std::filesystem::path("/data/文档"));
}

}  // namespace
}  // namespace platform
