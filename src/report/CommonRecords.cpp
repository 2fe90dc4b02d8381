#include "report/CommonRecords.h"

#include "platform/Format.h"
#include "report/Schemas.h"
#include "report/UsageSender.h"

namespace report {

UsageRecord StartupRecord(int source, int tab_type, std::int64_t up_from) {
    UsageRecord record = UsageRecord::ForSchema(schemas::kStartup);
    record.SetInt("source", source);
    record.SetInt("tab_type", tab_type);
    record.SetInt("ver", CommonVer());
    record.SetInt("product_id", CommonProductId());
    record.SetInt64("up_from", up_from);
    return record;
}

void SendStartupRecord(int source, int tab_type, std::int64_t up_from) {
    SendUsageRecord(StartupRecord(source, tab_type, up_from), SendMode::Immediate);
}

UsageRecord DownloadRecord(bool succeeded, int elapsed_seconds, int error_code) {
    UsageRecord record = UsageRecord::ForSchema(schemas::kDownload);
    record.SetInt("ver", CommonVer());
    record.SetInt("download", succeeded ? 1 : 2);
    record.SetInt("d_time", elapsed_seconds);
    record.SetString("errormsg", platform::Format("%d", error_code));
    return record;
}

void SendDownloadRecord(bool succeeded, int elapsed_seconds, int error_code) {
    SendUsageRecord(DownloadRecord(succeeded, elapsed_seconds, error_code), SendMode::Queued);
}

}  // namespace report
