#pragma once

#include <memory>
#include <optional>

#include "report/IPDFTallylineAdapter.h"
#include "report/ITallylineClient2.h"
#include "report/KTallylineNoKfmtFileWrap.h"
#include "report/UsageLogFile.h"
#include "report/UsageRecord.h"

namespace report {

// Forwards each operation to an outside client and answers with the client's answer, 0 for
// every operation when there is none. Whatever the client does, a sent record is also
// appended to the local usage log when one is configured.
class ClientTallylineAdapter final : public IPDFTallylineAdapter {
public:
    // A client of its own for this record (the telemetry-client adapter).
    ClientTallylineAdapter(std::unique_ptr<KTallylineNoKfmtFileWrap> wrap,
                           std::optional<UsageLogFile> usage_log);
    // A client owned elsewhere, which outlives the adapter (the service-SDK adapter); may be
    // null.
    ClientTallylineAdapter(ITallylineClient2* borrowed_client,
                           std::optional<UsageLogFile> usage_log);

    int Begin(std::string_view schema) override;
    int SetInt(std::string_view name, std::int32_t value) override;
    int SetString(std::string_view name, std::string_view value) override;
    int ReportNow(int flag) override;
    int Report() override;
    int SetInt64(std::string_view name, std::uint32_t low, std::uint32_t high) override;

private:
    // Appends the record to the usage log once, however many times it is sent.
    void KeepLocalCopy();

    std::unique_ptr<KTallylineNoKfmtFileWrap> wrap_;  // may be null; owns client_ when set
    ITallylineClient2* client_;                       // may be null
    std::optional<UsageLogFile> usage_log_;
    std::optional<UsageRecord> record_;  // from Begin until the local copy is written
};

}  // namespace report
