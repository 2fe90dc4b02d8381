#include "report/CommonRecords.h"

#include <gtest/gtest.h>

#include "report/AdapterSelection.h"
#include "report/ProgramVersion.h"
#include "report/ReportTestSupport.h"
#include "report/UsageLogFile.h"
#include "report/UsageSender.h"
#include "support/TempDir.h"

namespace report {
namespace {

using test::ReadLines;
using test::WithoutTime;

TEST(ProgramVersionTest, BuildIsTheLastOfFourNumbers) {
    struct Case {
        const char* version;
        int build;
    };
    const Case kCases[] = {
        {"1.0.0.2375", 2375},
        {"10.2.3.0", 0},
        {"0.0.0.999999999", 999999999},
        {"1.0.0", -1},
        {"1.0.0.1.2", -1},
        {"1.0.0.", -1},
        {"1..0.5", -1},
        {"1.0.0.x", -1},
        {"1.0.0.-5", -1},
        {"", -1},
        {"1.0.0.1234567890", -1},
        {"a.0.0.5", -1},
    };
    for (const Case& c : kCases)
        EXPECT_EQ(LastVersionComponent(c.version), c.build) << c.version;
}

TEST(CommonRecordsTest, StartupRecordCarriesTheSwitchesAndCommonFields) {
    const UsageRecord record = StartupRecord(3, -1, std::int64_t{1} << 33);
    const std::string ver = std::to_string(CommonVer());
    const std::string product = std::to_string(CommonProductId());
    EXPECT_EQ(WithoutTime(UsageLogLine(record, 0)),
              R"({"schema":"amber_pdftoword_startup:7098","name":"amber_pdftoword_startup",)"
              R"("id":7098,"fields":{"source":3,"tab_type":-1,"ver":)" +
                  ver + R"(,"product_id":)" + product + R"(,"up_from":8589934592})");
}

TEST(CommonRecordsTest, DownloadRecordSaysSuccessOrFailureWithTheCode) {
    const std::string ver = std::to_string(CommonVer());
    const std::string head =
        R"({"schema":"amber_pdftoword_down:6560","name":"amber_pdftoword_down","id":6560,)";
    EXPECT_EQ(WithoutTime(UsageLogLine(DownloadRecord(true, 12, 0), 0)),
              head + R"("fields":{"ver":)" + ver + R"(,"download":1,"d_time":12,"errormsg":"0"})");
    EXPECT_EQ(WithoutTime(UsageLogLine(DownloadRecord(false, 0, -2147483647), 0)),
              head + R"("fields":{"ver":)" + ver +
                  R"(,"download":2,"d_time":0,"errormsg":"-2147483647"})");
}

// The whole path a sender takes in this process: edition 1, no client library, the usage log
// switched on by the environment.
TEST(CommonRecordsTest, SentRecordsLandInTheConfiguredUsageLog) {
    ASSERT_FALSE(IsAutomationRun());
    TempDir temp;
    ScopedEnv variable(kUsageLogVariable, (temp / "usage.jsonl").string());
    SendStartupRecord(1, 2, 3);
    SendDownloadRecord(false, 4, 5);
    const auto lines = ReadLines(temp / "usage.jsonl");
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_EQ(WithoutTime(lines[0]), WithoutTime(UsageLogLine(StartupRecord(1, 2, 3), 0)));
    EXPECT_EQ(WithoutTime(lines[1]), WithoutTime(UsageLogLine(DownloadRecord(false, 4, 5), 0)));
}

}  // namespace
}  // namespace report
