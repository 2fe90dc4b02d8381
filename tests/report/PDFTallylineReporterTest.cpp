#include "report/PDFTallylineReporter.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "report/ReportTestSupport.h"
#include "report/Schemas.h"
#include "report/UsageSender.h"

namespace report {
namespace {

using test::MockAdapter;
using ::testing::_;
using ::testing::InSequence;
using ::testing::Return;
using ::testing::StrictMock;

constexpr std::string_view kSchema = "probe:5 b:byte s:short i:int w:int64 f:bit t:string";

// A reporter over a strict mock that has already begun kSchema.
class ReporterTest : public ::testing::Test {
protected:
    ReporterTest() {
        auto adapter = std::make_unique<StrictMock<MockAdapter>>();
        mock_ = adapter.get();
        reporter_.emplace(std::move(adapter));
        EXPECT_CALL(*mock_, Begin(kSchema)).WillOnce(Return(1));
        EXPECT_EQ(reporter_->Begin(kSchema), 1);
    }

    StrictMock<MockAdapter>* mock_;  // owned by reporter_
    std::optional<PDFTallylineReporter> reporter_;
};

TEST_F(ReporterTest, ForwardsValuesThatFitTheirFieldsAndAnswersWithTheAdapter) {
    EXPECT_CALL(*mock_, SetInt(std::string_view("b"), 300)).WillOnce(Return(1));
    EXPECT_CALL(*mock_, SetInt(std::string_view("f"), 1)).WillOnce(Return(0));
    EXPECT_CALL(*mock_, SetString(std::string_view("t"), std::string_view("x y")))
        .WillOnce(Return(1));
    EXPECT_EQ(reporter_->SetInt("b", 300), 1);
    EXPECT_EQ(reporter_->SetInt("f", 1), 0);
    EXPECT_EQ(reporter_->SetString("t", "x y"), 1);
    // A 32-bit value may go into an int64 field.
    EXPECT_CALL(*mock_, SetInt(std::string_view("w"), -7)).WillOnce(Return(1));
    EXPECT_EQ(reporter_->SetInt("w", -7), 1);
}

TEST_F(ReporterTest, SplitsInt64ValuesIntoHalves) {
    EXPECT_CALL(*mock_, SetInt64(std::string_view("w"), 0x89ABCDEFu, 0x01234567u))
        .WillOnce(Return(1));
    EXPECT_CALL(*mock_, SetInt64(std::string_view("w"), 0xFFFFFFFEu, 0xFFFFFFFFu))
        .WillOnce(Return(1));
    EXPECT_EQ(reporter_->SetInt64("w", 0x0123456789ABCDEF), 1);
    EXPECT_EQ(reporter_->SetInt64("w", -2), 1);
}

// Nothing reaches the strict mock: any call would fail the test.
TEST_F(ReporterTest, RefusesUnknownFieldsAndWrongTypesWithoutForwarding) {
    EXPECT_EQ(reporter_->SetInt("nosuch", 1), 0);
    EXPECT_EQ(reporter_->SetInt("B", 1), 0);
    EXPECT_EQ(reporter_->SetString("i", "1"), 0);
    EXPECT_EQ(reporter_->SetInt("t", 1), 0);
    EXPECT_EQ(reporter_->SetInt64("i", 1), 0);
    EXPECT_EQ(reporter_->SetInt64("t", 1), 0);
}

TEST_F(ReporterTest, ImmediateSendCallsReportNowOnly) {
    EXPECT_CALL(*mock_, ReportNow(0)).WillOnce(Return(1));
    EXPECT_EQ(reporter_->Send(SendMode::Immediate), 1);
}

TEST_F(ReporterTest, QueuedSendStopsWhenTheAdapterTookTheRecord) {
    EXPECT_CALL(*mock_, Report()).WillOnce(Return(1));
    EXPECT_EQ(reporter_->Send(SendMode::Queued), 1);
}

TEST_F(ReporterTest, QueuedSendFallsBackToReportNowWhenNotTaken) {
    InSequence order;
    EXPECT_CALL(*mock_, Report()).WillOnce(Return(0));
    EXPECT_CALL(*mock_, ReportNow(0)).WillOnce(Return(0));
    EXPECT_EQ(reporter_->Send(SendMode::Queued), 0);
}

TEST_F(ReporterTest, SendsOnceAndTakesNoValuesAfterwards) {
    EXPECT_CALL(*mock_, ReportNow(0)).WillOnce(Return(1));
    EXPECT_EQ(reporter_->Send(SendMode::Immediate), 1);
    EXPECT_EQ(reporter_->Send(SendMode::Immediate), 0);
    EXPECT_EQ(reporter_->SetInt("i", 1), 0);
}

TEST(ReporterWithoutRecordTest, RefusesMalformedDeclarationsAndUnbegunRecords) {
    auto adapter = std::make_unique<StrictMock<MockAdapter>>();
    PDFTallylineReporter reporter(std::move(adapter));
    EXPECT_EQ(reporter.Begin("probe:5 a:long"), 0);
    EXPECT_EQ(reporter.SetInt("a", 1), 0);
    EXPECT_EQ(reporter.Send(SendMode::Immediate), 0);
}

TEST(ReporterWithoutAdapterTest, EveryOperationAnswersZero) {
    PDFTallylineReporter reporter(nullptr);
    EXPECT_EQ(reporter.Begin(kSchema), 0);
    EXPECT_EQ(reporter.SetInt("i", 1), 0);
    EXPECT_EQ(reporter.SetString("t", "x"), 0);
    EXPECT_EQ(reporter.SetInt64("w", 1), 0);
    EXPECT_EQ(reporter.Send(SendMode::Queued), 0);
    EXPECT_EQ(reporter.Send(SendMode::Immediate), 0);
}

// A record replays every set field with the operation of its declared type, in declaration
// order, and skips fields that were never set.
TEST(SendUsageRecordTest, ReplaysSetFieldsByDeclaredType) {
    auto adapter = std::make_unique<StrictMock<MockAdapter>>();
    auto& mock = *adapter;
    PDFTallylineReporter reporter(std::move(adapter));
    UsageRecord record(*ParseSchema(kSchema));
    record.SetString("t", "text");
    record.SetInt64("w", std::int64_t{1} << 40);
    record.SetInt("b", 200);
    record.SetInt("f", 1);

    InSequence order;
    EXPECT_CALL(mock, Begin(kSchema)).WillOnce(Return(1));
    EXPECT_CALL(mock, SetInt(std::string_view("b"), 200)).WillOnce(Return(1));
    EXPECT_CALL(mock, SetInt64(std::string_view("w"), 0u, 0x100u)).WillOnce(Return(1));
    EXPECT_CALL(mock, SetInt(std::string_view("f"), 1)).WillOnce(Return(1));
    EXPECT_CALL(mock, SetString(std::string_view("t"), std::string_view("text")))
        .WillOnce(Return(1));
    EXPECT_CALL(mock, ReportNow(0)).WillOnce(Return(1));
    EXPECT_EQ(SendUsageRecord(reporter, record, SendMode::Immediate), 1);
}

}  // namespace
}  // namespace report
