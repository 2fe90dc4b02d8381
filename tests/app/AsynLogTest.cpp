#include "app/AsynLog.h"

#include <gtest/gtest.h>

#include <fstream>
#include <regex>
#include <sstream>
#include <thread>
#include <vector>

#include "platform/Tick.h"
#include "support/TempDir.h"

namespace {

std::vector<std::string> Lines(const std::filesystem::path& file) {
    std::ifstream in(file);
    std::vector<std::string> lines;
    std::string line;
    while (std::getline(in, line))
        lines.push_back(line);
    return lines;
}

// The log is a process-wide object; each test opens its own file and closes it again.
class AsynLogTest : public ::testing::Test {
protected:
    void TearDown() override {
        log_.WaitIdle();
        log_.Close();
    }
    keasy::AsynLog& log_ = keasy::AsynLog::Instance();
    TempDir temp_;
    const std::filesystem::path file_ = temp_ / "quire.log";
};

TEST_F(AsynLogTest, MissingFileMeansNoLogAndNothingCreated) {
    EXPECT_FALSE(log_.Init(file_));
    EXPECT_FALSE(log_.IsOpen());
    log_.Print("nothing %d", 1);
    log_.WaitIdle();
    EXPECT_FALSE(std::filesystem::exists(file_));
}

TEST_F(AsynLogTest, LinesHaveTheStampMessageAndCrLf) {
    std::ofstream(file_).close();
    ASSERT_TRUE(log_.Init(file_));
    log_.Print("KSvrTaskMgr::PrepareTask taskid:%d, src:%ws", 101,
               std::u16string(u"/home/用户/a.pdf"));
    log_.WaitIdle();
    const auto lines = Lines(file_);
    ASSERT_EQ(lines.size(), 2u);
    const std::regex stamp(R"(^\d{4}-\d\d-\d\d \d\d:\d\d:\d\d \d{3}  )");
    EXPECT_TRUE(std::regex_search(lines[0], stamp)) << lines[0];
    EXPECT_EQ(lines[0].substr(25), "__________ application started __________\r");
    EXPECT_EQ(lines[1].substr(25), "KSvrTaskMgr::PrepareTask taskid:101, src:/home/用户/a.pdf\r");
}

TEST_F(AsynLogTest, TimeStampIsLocalTimeWithMilliseconds) {
    ScopedEnv tz("TZ", "UTC");
    ::tzset();
    EXPECT_EQ(keasy::AsynLog::TimeStamp(1765262313042), "2025-12-09 06:38:33 042  ");
}

TEST_F(AsynLogTest, ConcurrentPrintsStayWholeAndInOrderPerThread) {
    std::ofstream(file_).close();
    ASSERT_TRUE(log_.Init(file_));
    std::vector<std::thread> threads;
    for (int t = 0; t < 4; ++t)
        threads.emplace_back([this, t] {
            for (int i = 0; i < 200; ++i)
                log_.Print("thread:%d line:%d %s", t, i, std::string(50, 'x'));
        });
    for (auto& thread : threads)
        thread.join();
    log_.WaitIdle();
    const auto lines = Lines(file_);
    ASSERT_EQ(lines.size(), 801u);
    int next[4] = {0, 0, 0, 0};
    const std::regex whole(R"(^.{25}thread:(\d) line:(\d+) x{50}\r$)");
    for (std::size_t i = 1; i < lines.size(); ++i) {
        std::smatch match;
        ASSERT_TRUE(std::regex_match(lines[i], match, whole)) << lines[i];
        const int thread = std::stoi(match[1]);
        EXPECT_EQ(std::stoi(match[2]), next[thread]++);
    }
}

TEST_F(AsynLogTest, PrintsRacingWithCloseNeverTouchAClosedFile) {
    // Under the sanitizers a write to a closed stream is a use after free.
    for (int round = 0; round < 20; ++round) {
        std::ofstream(file_).close();
        ASSERT_TRUE(log_.Init(file_));
        std::thread printer([this] {
            for (int i = 0; i < 200; ++i)
                log_.Print("racing line %d", i);
        });
        log_.Close();
        printer.join();
        log_.WaitIdle();
        EXPECT_FALSE(log_.IsOpen());
    }
    log_.Print("after close");
    log_.WaitIdle();
    for (const auto& line : Lines(file_))
        EXPECT_EQ(line.find("after close"), std::string::npos);
}

TEST_F(AsynLogTest, UsedTimeMarksMeasureTheirOwnStep) {
    std::ofstream(file_).close();
    ASSERT_TRUE(log_.Init(file_));
    std::uint32_t tick = platform::GetTickCount() - 250;
    log_.LogUsedTime(&tick, "_tWinMain");
    log_.LogUsedTime(&tick, "IsUserAnAdmin");
    log_.WaitIdle();
    const auto lines = Lines(file_);
    ASSERT_EQ(lines.size(), 3u);
    std::smatch match;
    const std::regex mark(R"(^.{25}(\S+): used time: (-?\d+)\r$)");
    ASSERT_TRUE(std::regex_match(lines[1], match, mark)) << lines[1];
    EXPECT_EQ(match[1], "_tWinMain");
    EXPECT_GE(std::stoi(match[2]), 250);
    ASSERT_TRUE(std::regex_match(lines[2], match, mark)) << lines[2];
    EXPECT_EQ(match[1], "IsUserAnAdmin");
    EXPECT_LT(std::stoi(match[2]), 250);
}

TEST_F(AsynLogTest, UnwritableLogIsRefused) {
    // A folder in place of the file cannot be opened for appending.
    std::filesystem::create_directory(file_);
    EXPECT_FALSE(log_.Init(file_));
    EXPECT_FALSE(log_.IsOpen());
}

}  // namespace
