#include "platform/AtomicFile.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <fstream>
#include <iterator>
#include <vector>

#include "support/TempDir.h"

namespace platform {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

std::string ReadAll(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

void WriteRaw(const fs::path& path, std::string_view bytes) {
    std::ofstream(path, std::ios::binary) << bytes;
}

std::vector<std::string> NamesIn(const fs::path& folder) {
    std::vector<std::string> names;
    for (const fs::directory_entry& entry : fs::directory_iterator(folder))
        names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

mode_t PermissionsOf(const fs::path& path) {
    struct stat info {};
    EXPECT_EQ(::stat(path.c_str(), &info), 0) << path;
    return info.st_mode & 07777;
}

TEST(AtomicFileWrite, CreatesTheFileWithItsModeAndNoLeftovers) {
    TempDir dir;
    const std::string bytes("a\0b\n", 4);
    std::string error;
    ASSERT_TRUE(WriteFileAtomically(dir / "out.bin", bytes, 0600, &error)) << error;
    EXPECT_EQ(ReadAll(dir / "out.bin"), bytes);
    EXPECT_EQ(PermissionsOf(dir / "out.bin"), 0600u);
    EXPECT_EQ(NamesIn(dir.Path()), std::vector<std::string>{"out.bin"});
}

TEST(AtomicFileWrite, ReplacesLongerContentWhole) {
    TempDir dir;
    WriteRaw(dir / "out.txt", "a much longer first version");
    ASSERT_TRUE(WriteFileAtomically(dir / "out.txt", "short"));
    EXPECT_EQ(ReadAll(dir / "out.txt"), "short");
    ASSERT_TRUE(WriteFileAtomically(dir / "out.txt", ""));
    EXPECT_EQ(ReadAll(dir / "out.txt"), "");
}

TEST(AtomicFileWrite, FolderThatIsAFileFailsWithAReason) {
    TempDir dir;
    WriteRaw(dir / "blocker", "keep");
    std::string error;
    EXPECT_FALSE(WriteFileAtomically(dir / "blocker" / "target", "new", 0644, &error));
    EXPECT_FALSE(error.empty());
    EXPECT_EQ(ReadAll(dir / "blocker"), "keep");
}

// The rename is the last step that can fail: by then the temporary exists and must go.
TEST(AtomicFileWrite, FailedRenameKeepsTheTargetAndRemovesTheTemporary) {
    TempDir dir;
    fs::create_directory(dir / "target");
    WriteRaw(dir / "target" / "inside", "keep");
    std::string error;
    EXPECT_FALSE(WriteFileAtomically(dir / "target", "new", 0644, &error));
    EXPECT_NE(error.find("rename"), std::string::npos) << error;
    EXPECT_EQ(ReadAll(dir / "target" / "inside"), "keep");
    EXPECT_EQ(NamesIn(dir.Path()), std::vector<std::string>{"target"});
}

TEST(AtomicFileRead, MissingFileOrFolderIsMissing) {
    TempDir dir;
    WriteRaw(dir / "file", "x");
    EXPECT_EQ(ReadFileBounded(dir / "absent", 10).status, ReadStatus::Missing);
    EXPECT_EQ(ReadFileBounded(dir / "file" / "below", 10).status, ReadStatus::Missing);
}

TEST(AtomicFileRead, LimitIsInclusive) {
    TempDir dir;
    WriteRaw(dir / "five", "12345");
    const ReadResult exact = ReadFileBounded(dir / "five", 5);
    EXPECT_EQ(exact.status, ReadStatus::Ok);
    EXPECT_EQ(exact.bytes, "12345");
    const ReadResult over = ReadFileBounded(dir / "five", 4);
    EXPECT_EQ(over.status, ReadStatus::TooLarge);
    EXPECT_TRUE(over.bytes.empty());
    WriteRaw(dir / "empty", "");
    EXPECT_EQ(ReadFileBounded(dir / "empty", 0).status, ReadStatus::Ok);
}

// Files under /proc claim a size of 0, so only the read loop can notice that they are longer.
TEST(AtomicFileRead, LimitHoldsWhenTheSizeLies) {
    EXPECT_EQ(ReadFileBounded("/proc/self/cmdline", 4).status, ReadStatus::TooLarge);
    const ReadResult whole = ReadFileBounded("/proc/self/cmdline", 1 << 20);
    EXPECT_EQ(whole.status, ReadStatus::Ok);
    EXPECT_GT(whole.bytes.size(), 4u);
}

// A pipe would block a plain open(2) for reading until a writer appears.
TEST(AtomicFileRead, FolderAndPipeAreErrorsWithoutBlocking) {
    TempDir dir;
    ASSERT_EQ(::mkfifo((dir / "pipe").c_str(), 0600), 0);
    const ReadResult pipe = ReadFileBounded(dir / "pipe", 10);
    EXPECT_EQ(pipe.status, ReadStatus::Error);
    EXPECT_FALSE(pipe.error.empty());
    EXPECT_EQ(ReadFileBounded(dir.Path(), 10).status, ReadStatus::Error);
}

TEST(AtomicFileLock, SecondHolderTimesOutAfterTheTimeout) {
    TempDir dir;
    const std::optional<FileLock> first = FileLock::Acquire(dir / "x.lock", 0ms);
    ASSERT_TRUE(first.has_value());
    EXPECT_EQ(PermissionsOf(dir / "x.lock") & 0077, 0u);
    const Clock::time_point start = Clock::now();
    EXPECT_FALSE(FileLock::Acquire(dir / "x.lock", 100ms).has_value());
    const Clock::duration waited = Clock::now() - start;
    EXPECT_GE(waited, 100ms);
    EXPECT_LT(waited, 2s);
}

TEST(AtomicFileLock, MovedLockStaysHeldUntilItsLastOwnerGoes) {
    TempDir dir;
    std::optional<FileLock> first = FileLock::Acquire(dir / "x.lock", 0ms);
    ASSERT_TRUE(first.has_value());
    std::optional<FileLock> second(std::move(*first));
    first.reset();
    EXPECT_FALSE(FileLock::Acquire(dir / "x.lock", 0ms).has_value());
    second.reset();
    EXPECT_TRUE(FileLock::Acquire(dir / "x.lock", 0ms).has_value());
}

TEST(AtomicFileLock, UnopenableLockFileFailsAtOnce) {
    TempDir dir;
    const Clock::time_point start = Clock::now();
    EXPECT_FALSE(FileLock::Acquire(dir / "missing" / "x.lock", 10s).has_value());
    EXPECT_LT(Clock::now() - start, 1s);
}

// A child forked while the lock is held shares the lock's open file; releasing must not wait
// for the child to exit.
TEST(AtomicFileLock, ReleaseIsNotHeldUpByAForkedChild) {
    TempDir dir;
    std::optional<FileLock> lock = FileLock::Acquire(dir / "x.lock", 0ms);
    ASSERT_TRUE(lock.has_value());
    int gate[2];
    ASSERT_EQ(::pipe(gate), 0);
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        char byte;
        ::close(gate[1]);
        ::_exit(::read(gate[0], &byte, 1) == 0 ? 0 : 1);
    }
    ::close(gate[0]);
    lock.reset();
    EXPECT_TRUE(FileLock::Acquire(dir / "x.lock", 0ms).has_value());
    ::close(gate[1]);
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
}

}  // namespace
}  // namespace platform
