#pragma once

#include <memory>
#include <optional>
#include <string_view>

#include "keasy/IFunc.h"
#include "report/KTallylineNoKfmtFileWrap.h"
#include "report/UsageLogFile.h"
#include "report/UsageRecord.h"

namespace report {

// A record filled on the sender's thread and sent later, possibly on another thread. It owns
// everything it sends with, so it can outlive the adapter that filled it.
class QueuedUsageReport final : public keasy::IFunc {
public:
    QueuedUsageReport(std::unique_ptr<KTallylineNoKfmtFileWrap> wrap,
                      std::optional<UsageLogFile> usage_log);

    // Each returns 1 when the value went into the record, 0 otherwise.
    int Begin(std::string_view schema);
    int SetInt(std::string_view name, std::int32_t value);
    int SetString(std::string_view name, std::string_view value);
    int SetInt64(std::string_view name, std::int64_t value);

    // Appends the record to the usage log and hands it to the client, field by field; the
    // client's answer to ReportNow, 0 without a client. Sends once at most.
    int Send();

    void Invoke() override { Send(); }

private:
    std::unique_ptr<KTallylineNoKfmtFileWrap> wrap_;  // may be null
    std::optional<UsageLogFile> usage_log_;
    std::optional<UsageRecord> record_;  // from Begin until sent
};

}  // namespace report
