#include "app/CrashDumpMonitor.h"

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>
#include <thread>

#include "platform/DynamicLibrary.h"
#include "support/TempDir.h"

namespace {

std::string ReadAll(const std::filesystem::path& file) {
    std::ifstream in(file);
    std::stringstream content;
    content << in.rdbuf();
    return content.str();
}

TEST(CrashDumpMonitorTest, AbsentLibraryStartsNothing) {
    TempDir temp;
    std::filesystem::create_directories(temp / "a" / "b" / "c" / "d");
    // A library three folders up is out of reach.
    std::filesystem::copy_file(DUMPMON_DOUBLE, temp / "a" / crash_dump::kLibraryName);
    EXPECT_EQ(crash_dump::FindLibrary(temp / "a" / "b" / "c" / "d"), std::filesystem::path());
    EXPECT_FALSE(crash_dump::Start(temp / "a" / "b" / "c" / "d"));
}

TEST(CrashDumpMonitorTest, LibraryTwoFoldersUpIsStartedWithItsArguments) {
    TempDir temp;
    std::filesystem::create_directories(temp / "a" / "b" / "c");
    std::filesystem::copy_file(DUMPMON_DOUBLE, temp / "a" / crash_dump::kLibraryName);
    const auto out = temp / "started";
    ScopedEnv env("QUIRE_TEST_DUMPMON_OUT", out.string());
    EXPECT_EQ(crash_dump::FindLibrary(temp / "a" / "b" / "c"),
              temp / "a" / crash_dump::kLibraryName);
    ASSERT_TRUE(crash_dump::Start(temp / "a" / "b" / "c"));
    for (int i = 0; i < 250 && ReadAll(out).empty(); ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    EXPECT_EQ(ReadAll(out), "1|" + crash_dump::MonitorIdentifier() + "|0x12000|300");
    EXPECT_EQ(crash_dump::MonitorIdentifier().size(), 32u);
}

TEST(CrashDumpMonitorTest, LibraryWithoutTheEntryPointOrUnloadableIsIgnored) {
    TempDir temp;
    std::ofstream(temp / crash_dump::kLibraryName) << "not an ELF file";
    std::string error;
    EXPECT_FALSE(platform::DynamicLibrary::Open(temp / crash_dump::kLibraryName, &error));
    EXPECT_FALSE(error.empty());
    EXPECT_FALSE(crash_dump::Start(temp.Path()));
}

}  // namespace
