#pragma once

#include <memory>

#include "report/IPDFTallylineAdapter.h"
#include "report/KAsynTaskMgr.h"
#include "report/QueuedUsageReport.h"

namespace report {

// Fills a report object and hands it to the task manager on Report, so the sender's thread
// never waits for the client.
class QueuedTallylineAdapter final : public IPDFTallylineAdapter {
public:
    QueuedTallylineAdapter(std::unique_ptr<QueuedUsageReport> report, KAsynTaskMgr& manager);

    int Begin(std::string_view schema) override;
    int SetInt(std::string_view name, std::int32_t value) override;
    int SetString(std::string_view name, std::string_view value) override;
    // Sends on the caller's thread.
    int ReportNow(int flag) override;
    // 1 when the manager took the report.
    int Report() override;
    int SetInt64(std::string_view name, std::uint32_t low, std::uint32_t high) override;

private:
    std::unique_ptr<QueuedUsageReport> report_;  // null once sent or handed over
    KAsynTaskMgr& manager_;
};

}  // namespace report
