#include "report/AdapterSelection.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "report/ReportTestSupport.h"
#include "report/Schemas.h"
#include "report/UsageSender.h"
#include "support/TempDir.h"

namespace report {
namespace {

namespace fs = std::filesystem;
using test::MockClient;
using test::ReadLines;
using test::WithoutTime;
using ::testing::InSequence;
using ::testing::Return;
using ::testing::StrEq;
using ::testing::StrictMock;

TEST(AdapterSelectionTest, AutomationNeedsBothSwitches) {
    struct Case {
        const char* command_line;
        bool automation;
    };
    const Case kCases[] = {
        {"", false},
        {"/testdriver:a", false},
        {"/testconfig:b", false},
        {"/testdriver:a /testconfig:b", true},
        {"/testconfig:b /from:3 /testdriver:a", true},
        {"-kpath:\"/tmp/x y\" /testdriver: /testconfig:", true},
        {"/testdriver /testconfig", false},      // no colon
        {"-testdriver:a -testconfig:b", false},  // dash form is not the switch looked for
        {"/TESTDRIVER:a /TESTCONFIG:b", false},  // the texts are matched as written
    };
    for (const Case& c : kCases)
        EXPECT_EQ(HoldsAutomationSwitches(c.command_line), c.automation) << c.command_line;
}

TEST(AdapterSelectionTest, EditionChoosesTheAdapterUnlessAutomationRuns) {
    const AdapterKind kByEdition[] = {
        AdapterKind::None,       AdapterKind::TelemetryClient, AdapterKind::ServiceSdk,
        AdapterKind::ServiceSdk, AdapterKind::ServiceSdk,      AdapterKind::ServiceSdk,
        AdapterKind::None,       AdapterKind::QueuedReport,    AdapterKind::None,
    };
    for (int edition = 0; edition < static_cast<int>(std::size(kByEdition)); ++edition) {
        EXPECT_EQ(ChooseAdapterKind(false, edition), kByEdition[edition]) << edition;
        EXPECT_EQ(ChooseAdapterKind(true, edition), AdapterKind::Empty) << edition;
    }
    EXPECT_EQ(ChooseAdapterKind(false, -1), AdapterKind::None);
    EXPECT_EQ(ChooseAdapterKind(true, -1), AdapterKind::Empty);
}

TEST(AdapterSelectionTest, AutomationIsDecidedOncePerProcess) {
    const bool first = IsAutomationRun();
    const char* opposite = first ? "" : "/testdriver:a /testconfig:b";
    EXPECT_EQ(DecideAutomationRun(opposite), first);
    EXPECT_EQ(IsAutomationRun(), first);
}

// Every adapter that sends keeps a local copy in the usage log; the empty one sends nothing.
class AdapterKindsTest : public ::testing::Test {
protected:
    AdapterKindsTest() {
        context_.client_library = temp_ / "no-client.so";
        context_.usage_log.emplace(temp_ / "usage.jsonl");
        context_.task_manager = &manager_;
        record_.SetInt("ver", 4);
        record_.SetString("errormsg", "-3");
    }

    int Send(AdapterKind kind, SendMode mode) {
        PDFTallylineReporter reporter(CreateTallylineAdapter(kind, context_));
        return SendUsageRecord(reporter, record_, mode);
    }

    std::vector<std::string> LoggedRecords() const {
        std::vector<std::string> records;
        for (const auto& line : ReadLines(temp_ / "usage.jsonl"))
            records.push_back(WithoutTime(line));
        return records;
    }

    std::string Expected() const { return WithoutTime(UsageLogLine(record_, 0)); }

    TempDir temp_;
    KAsynTaskMgr manager_;
    AdapterContext context_;
    UsageRecord record_ = UsageRecord::ForSchema(schemas::kDownload);
};

TEST_F(AdapterKindsTest, EmptyAnswersOneAndKeepsNothing) {
    EXPECT_EQ(Send(AdapterKind::Empty, SendMode::Queued), 1);
    EXPECT_EQ(Send(AdapterKind::Empty, SendMode::Immediate), 1);
    EXPECT_FALSE(fs::exists(temp_ / "usage.jsonl"));
}

TEST_F(AdapterKindsTest, TelemetryClientWithoutLibraryAnswersZeroButKeepsTheRecord) {
    PDFTallylineReporter reporter(CreateTallylineAdapter(AdapterKind::TelemetryClient, context_));
    EXPECT_EQ(reporter.Begin(schemas::kDownload), 0);
    EXPECT_EQ(reporter.SetInt("ver", 4), 0);
    EXPECT_EQ(reporter.SetString("errormsg", "-3"), 0);
    EXPECT_EQ(reporter.Send(SendMode::Queued), 0);
    EXPECT_EQ(LoggedRecords(), std::vector{Expected()});
}

TEST_F(AdapterKindsTest, WithoutUsageLogNothingIsWritten) {
    context_.usage_log.reset();
    EXPECT_EQ(Send(AdapterKind::TelemetryClient, SendMode::Immediate), 0);
    EXPECT_EQ(Send(AdapterKind::ServiceSdk, SendMode::Immediate), 0);
    EXPECT_TRUE(fs::is_empty(temp_.Path()));
}

TEST_F(AdapterKindsTest, ServiceSdkForwardsToItsClientAndKeepsWhatTheClientTook) {
    StrictMock<MockClient> client;
    context_.service_sdk_client = &client;
    {
        InSequence order;
        EXPECT_CALL(client, Begin(StrEq(std::string(schemas::kDownload)))).WillOnce(Return(1));
        EXPECT_CALL(client, SetInt(StrEq("ver"), 4)).WillOnce(Return(1));
        EXPECT_CALL(client, SetString(StrEq("errormsg"), StrEq("-3"))).WillOnce(Return(1));
        EXPECT_CALL(client, Report()).WillOnce(Return(1));
    }
    EXPECT_EQ(Send(AdapterKind::ServiceSdk, SendMode::Queued), 1);
    EXPECT_EQ(LoggedRecords(), std::vector{Expected()});
}

TEST_F(AdapterKindsTest, QueuedReportIsSentByTheTaskManager) {
    EXPECT_EQ(Send(AdapterKind::QueuedReport, SendMode::Queued), 1);
    ASSERT_TRUE(manager_.Shutdown(std::chrono::seconds(30)));
    EXPECT_EQ(LoggedRecords(), std::vector{Expected()});
}

TEST_F(AdapterKindsTest, QueuedReportSentImmediatelyNeedsNoManager) {
    ASSERT_TRUE(manager_.Shutdown(std::chrono::milliseconds(0)));
    EXPECT_EQ(Send(AdapterKind::QueuedReport, SendMode::Immediate), 0);
    EXPECT_EQ(LoggedRecords(), std::vector{Expected()});
    // A shut-down manager takes nothing more, and a refused report is dropped, never sent late.
    EXPECT_EQ(Send(AdapterKind::QueuedReport, SendMode::Queued), 0);
    EXPECT_EQ(LoggedRecords().size(), 1u);
}

}  // namespace
}  // namespace report
