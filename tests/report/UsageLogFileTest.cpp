#include "report/UsageLogFile.h"

#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <thread>

#include "report/ReportTestSupport.h"
#include "report/Schemas.h"
#include "support/TempDir.h"

namespace report {
namespace {

namespace fs = std::filesystem;
using test::ReadLines;
using test::WithoutTime;

TEST(UsageLogFileTest, LineHoldsSetFieldsInDeclarationOrderWithTheirJsonTypes) {
    UsageRecord record = UsageRecord::ForSchema(schemas::kStartup);
    // Set out of order on purpose: the declaration decides the order in the line.
    ASSERT_EQ(record.SetInt64("up_from", 5'000'000'000), SetOutcome::Stored);
    ASSERT_EQ(record.SetInt("product_id", 1), SetOutcome::Stored);
    ASSERT_EQ(record.SetInt("tab_type", -2), SetOutcome::Stored);
    ASSERT_EQ(record.SetInt("source", 3), SetOutcome::Stored);
    ASSERT_EQ(record.SetInt("ver", 17), SetOutcome::Stored);

    EXPECT_EQ(UsageLogLine(record, 1'700'000'000'123),
              R"({"schema":"amber_pdftoword_startup:7098","name":"amber_pdftoword_startup",)"
              R"("id":7098,"fields":{"source":3,"tab_type":-2,"ver":17,"product_id":1,)"
              R"("up_from":5000000000},"time":1700000000123})"
              "\n");
}

TEST(UsageLogFileTest, LineLeavesOutUnsetFieldsAndQuotesTexts) {
    UsageRecord record = UsageRecord::ForSchema(schemas::kDownload);
    record.SetString("errormsg", "say \"-3\"\n");
    record.SetInt("d_time", 12);
    EXPECT_EQ(UsageLogLine(record, 5),
              R"({"schema":"amber_pdftoword_down:6560","name":"amber_pdftoword_down","id":6560,)"
              R"("fields":{"d_time":12,"errormsg":"say \"-3\"\n"},"time":5})"
              "\n");
}

TEST(UsageLogFileTest, RefusedValuesStayOutOfTheRecord) {
    UsageRecord record = UsageRecord::ForSchema(schemas::kDownload);
    EXPECT_EQ(record.SetInt("nosuch", 1), SetOutcome::UnknownField);
    EXPECT_EQ(record.SetString("ver", "7"), SetOutcome::WrongType);
    EXPECT_EQ(record.SetInt64("d_time", 7), SetOutcome::WrongType);
    EXPECT_EQ(record.SetInt("errormsg", 7), SetOutcome::WrongType);
    EXPECT_EQ(WithoutTime(UsageLogLine(record, 0)),
              R"({"schema":"amber_pdftoword_down:6560","name":"amber_pdftoword_down","id":6560,)"
              R"("fields":{})");
}

TEST(UsageLogFileTest, AppendsStampedLinesThatReadBack) {
    TempDir temp;
    const UsageLogFile log(temp / "usage.jsonl");
    UsageRecord record = UsageRecord::ForSchema(schemas::kDownload);
    record.SetInt("ver", 9);

    const auto before = std::chrono::system_clock::now();
    ASSERT_TRUE(log.Append(record));
    record.SetInt("download", 2);
    ASSERT_TRUE(log.Append(record));
    const auto after = std::chrono::system_clock::now();

    const auto lines = ReadLines(log.path());
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_EQ(WithoutTime(lines[0]) + "}",
              R"({"schema":"amber_pdftoword_down:6560","name":"amber_pdftoword_down","id":6560,)"
              R"("fields":{"ver":9}})");
    EXPECT_NE(lines[1].find(R"("fields":{"ver":9,"download":2})"), std::string::npos);
    const auto ms = [](auto time) {
        return std::chrono::duration_cast<std::chrono::milliseconds>(time.time_since_epoch())
            .count();
    };
    const std::string stamp = lines[0].substr(lines[0].rfind(':') + 1);
    const long long time = std::stoll(stamp);
    EXPECT_GE(time, ms(before));
    EXPECT_LE(time, ms(after));
}

TEST(UsageLogFileTest, FailuresAreReportedNotRaised) {
    TempDir temp;
    UsageRecord record = UsageRecord::ForSchema(schemas::kDownload);
    EXPECT_FALSE(UsageLogFile(temp / "missing" / "usage.jsonl").Append(record));

    record.SetString("errormsg", std::string(kMaxUsageLineBytes, 'x'));
    const UsageLogFile log(temp / "usage.jsonl");
    EXPECT_FALSE(log.Append(record));
    EXPECT_FALSE(fs::exists(log.path()));
}

// Several threads in this process and two child processes append long lines to one file at
// once; every line must come out whole.
TEST(UsageLogFileTest, ConcurrentAppendsProduceWholeLines) {
    TempDir temp;
    const UsageLogFile log(temp / "usage.jsonl");
    constexpr int kWriters = 6;
    constexpr int kChildren = 2;
    constexpr int kLinesEach = 150;
    const auto record_of = [](int writer) {
        UsageRecord record = UsageRecord::ForSchema(schemas::kDownload);
        record.SetInt("ver", writer);
        record.SetString("errormsg", std::string(6000 + writer, static_cast<char>('a' + writer)));
        return record;
    };

    std::vector<pid_t> children;
    for (int child = 0; child < kChildren; ++child) {
        const pid_t pid = ::fork();
        ASSERT_GE(pid, 0);
        if (pid == 0) {
            const UsageRecord record = record_of(kWriters + child);
            int failures = 0;
            for (int i = 0; i < kLinesEach; ++i)
                failures += log.Append(record) ? 0 : 1;
            ::_exit(failures == 0 ? 0 : 1);
        }
        children.push_back(pid);
    }
    std::vector<std::thread> threads;
    for (int writer = 0; writer < kWriters; ++writer) {
        threads.emplace_back([&log, &record_of, writer] {
            const UsageRecord record = record_of(writer);
            for (int i = 0; i < kLinesEach; ++i)
                log.Append(record);
        });
    }
    for (auto& thread : threads)
        thread.join();
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(30);
    for (pid_t pid : children) {
        int status = 0;
        while (::waitpid(pid, &status, WNOHANG) == 0 && std::chrono::steady_clock::now() < deadline)
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        ASSERT_TRUE(WIFEXITED(status)) << "child " << pid;
        EXPECT_EQ(WEXITSTATUS(status), 0);
    }

    std::vector<int> counts(kWriters + kChildren);
    std::vector<std::string> expected;
    for (int writer = 0; writer < kWriters + kChildren; ++writer)
        expected.push_back(WithoutTime(UsageLogLine(record_of(writer), 0)));
    const auto lines = ReadLines(log.path());
    ASSERT_EQ(lines.size(), static_cast<std::size_t>((kWriters + kChildren) * kLinesEach));
    for (const std::string& line : lines) {
        const auto found = std::find(expected.begin(), expected.end(), WithoutTime(line));
        ASSERT_NE(found, expected.end()) << line.substr(0, 120);
        ASSERT_EQ(line.back(), '}');
        ++counts[found - expected.begin()];
    }
    for (int count : counts)
        EXPECT_EQ(count, kLinesEach);
}

TEST(UsageLogFileTest, EnvironmentWinsOverTheSettingWhichNamesTheUserFolderFile) {
    TempDir temp;
    platform::RegistryStore store(temp / "registry.ini", temp / "machine.ini");
    const fs::path user = temp / "user";

    EXPECT_EQ(ResolveUsageLogPath(nullptr, store, user), std::nullopt);
    EXPECT_EQ(ResolveUsageLogPath("", store, user), std::nullopt);
    EXPECT_EQ(ResolveUsageLogPath("/var/tmp/u.jsonl", store, user), fs::path("/var/tmp/u.jsonl"));
    EXPECT_EQ(ResolveUsageLogPath("relative.jsonl", store, user), std::nullopt);

    ASSERT_TRUE(store.SetDword(platform::RegistryRoot::CurrentUser, kUsageRegistryKey,
                               kUsageRecordValue, 2));
    EXPECT_EQ(ResolveUsageLogPath(nullptr, store, user), std::nullopt);

    ASSERT_TRUE(store.SetDword(platform::RegistryRoot::CurrentUser, kUsageRegistryKey,
                               kUsageRecordValue, 1));
    EXPECT_EQ(ResolveUsageLogPath(nullptr, store, user), user / "usage.jsonl");
    EXPECT_EQ(ResolveUsageLogPath("relative.jsonl", store, user), user / "usage.jsonl");
    EXPECT_EQ(ResolveUsageLogPath("/var/tmp/u.jsonl", store, user), fs::path("/var/tmp/u.jsonl"));
}

}  // namespace
}  // namespace report
