#include "report/KTallylineNoKfmtFileWrap.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <fstream>
#include <string>

#include "report/ClientTallylineAdapter.h"
#include "report/QueuedUsageReport.h"
#include "report/ReportTestSupport.h"
#include "report/Schemas.h"
#include "support/TempDir.h"

namespace report {
namespace {

using test::MockClient;
using ::testing::InSequence;
using ::testing::Return;
using ::testing::StrEq;
using ::testing::StrictMock;

// What the stand-in entry point hands out, and the name it was asked for. Only the test's
// own thread touches them.
MockClient* handed_out = nullptr;
std::string asked_for;

void* StandInEntryPoint(const char* interface_name) {
    asked_for = interface_name;
    return handed_out;
}

class WrapTest : public ::testing::Test {
protected:
    WrapTest() {
        handed_out = &client_;
        asked_for.clear();
    }
    ~WrapTest() override { handed_out = nullptr; }

    StrictMock<MockClient> client_;
};

TEST_F(WrapTest, KeepsAReadyClientAndReleasesItOnce) {
    InSequence order;
    EXPECT_CALL(client_, Initialize()).WillOnce(Return(1));
    EXPECT_CALL(client_, Release()).Times(1);
    {
        KTallylineNoKfmtFileWrap wrap(&StandInEntryPoint);
        EXPECT_EQ(asked_for, "ITallylineClient2");
        EXPECT_EQ(wrap.Client(), &client_);
    }
}

TEST_F(WrapTest, ReleasesAClientThatIsNotReadyAtOnce) {
    InSequence order;
    EXPECT_CALL(client_, Initialize()).WillOnce(Return(0));
    EXPECT_CALL(client_, Release()).Times(1);
    KTallylineNoKfmtFileWrap wrap(&StandInEntryPoint);
    EXPECT_EQ(wrap.Client(), nullptr);
}

TEST_F(WrapTest, NoInterfaceNoEntryPointNoFileMeanNoClient) {
    handed_out = nullptr;
    EXPECT_EQ(KTallylineNoKfmtFileWrap(&StandInEntryPoint).Client(), nullptr);
    EXPECT_EQ(KTallylineNoKfmtFileWrap(static_cast<GetExportInterfaceFunction*>(nullptr)).Client(),
              nullptr);
    TempDir temp;
    EXPECT_EQ(KTallylineNoKfmtFileWrap(temp / kClientLibraryName).Client(), nullptr);
    std::ofstream(temp / "garbage.so") << "not a library";
    EXPECT_EQ(KTallylineNoKfmtFileWrap(temp / "garbage.so").Client(), nullptr);
}

// A real library without the export: the C library is always loadable.
TEST(WrapLibraryTest, LibraryWithoutTheExportGivesNoClient) {
    EXPECT_EQ(KTallylineNoKfmtFileWrap(std::filesystem::path("libc.so.6")).Client(), nullptr);
}

TEST_F(WrapTest, TelemetryClientAdapterForwardsToTheWrappedClient) {
    InSequence order;
    EXPECT_CALL(client_, Initialize()).WillOnce(Return(1));
    EXPECT_CALL(client_, Begin(StrEq("r:1 a:int64 t:string"))).WillOnce(Return(1));
    EXPECT_CALL(client_, SetInt64(StrEq("a"), 5u, 1u)).WillOnce(Return(1));
    EXPECT_CALL(client_, SetString(StrEq("t"), StrEq("x"))).WillOnce(Return(1));
    EXPECT_CALL(client_, Report()).WillOnce(Return(0));
    EXPECT_CALL(client_, ReportNow(0)).WillOnce(Return(7));
    EXPECT_CALL(client_, Release()).Times(1);
    ClientTallylineAdapter adapter(std::make_unique<KTallylineNoKfmtFileWrap>(&StandInEntryPoint),
                                   std::nullopt);
    EXPECT_EQ(adapter.Begin("r:1 a:int64 t:string"), 1);
    EXPECT_EQ(adapter.SetInt64("a", 5, 1), 1);
    EXPECT_EQ(adapter.SetString("t", "x"), 1);
    EXPECT_EQ(adapter.Report(), 0);
    EXPECT_EQ(adapter.ReportNow(0), 7);
}

// The queued report replays its record into its own client when it is sent, once.
TEST_F(WrapTest, QueuedReportReplaysTheRecordIntoItsClient) {
    InSequence order;
    EXPECT_CALL(client_, Initialize()).WillOnce(Return(1));
    EXPECT_CALL(client_, Begin(StrEq(std::string(schemas::kStartup)))).WillOnce(Return(1));
    EXPECT_CALL(client_, SetInt(StrEq("source"), 3)).WillOnce(Return(1));
    EXPECT_CALL(client_, SetInt64(StrEq("up_from"), 0xFFFFFFFFu, 0x7FFFFFFFu)).WillOnce(Return(1));
    EXPECT_CALL(client_, ReportNow(0)).WillOnce(Return(1));
    EXPECT_CALL(client_, Release()).Times(1);

    QueuedUsageReport report(std::make_unique<KTallylineNoKfmtFileWrap>(&StandInEntryPoint),
                             std::nullopt);
    EXPECT_EQ(report.SetInt("source", 3), 0);  // nothing begun yet
    EXPECT_EQ(report.Begin(schemas::kStartup), 1);
    EXPECT_EQ(report.SetInt("source", 3), 1);
    EXPECT_EQ(report.SetInt64("up_from", INT64_MAX), 1);
    EXPECT_EQ(report.SetString("up_from", "x"), 0);
    EXPECT_EQ(report.Send(), 1);
    EXPECT_EQ(report.Send(), 0);
}

}  // namespace
}  // namespace report
