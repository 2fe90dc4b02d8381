#include "report/QueuedUsageReport.h"

#include <string>
#include <utility>

#include "report/Int64Halves.h"

namespace report {
namespace {

// Lets UsageRecord::ReplayInto speak the client's C-string interface.
class ClientTarget {
public:
    explicit ClientTarget(ITallylineClient2& client) : client_(client) {}

    void SetInt(const std::string& name, std::int32_t value) {
        client_.SetInt(name.c_str(), value);
    }
    void SetInt64(const std::string& name, std::int64_t value) {
        client_.SetInt64(name.c_str(), Low32(value), High32(value));
    }
    void SetString(const std::string& name, const std::string& value) {
        client_.SetString(name.c_str(), value.c_str());
    }

private:
    ITallylineClient2& client_;
};

int Stored(SetOutcome outcome) {
    return outcome == SetOutcome::Stored ? 1 : 0;
}

}  // namespace

QueuedUsageReport::QueuedUsageReport(std::unique_ptr<KTallylineNoKfmtFileWrap> wrap,
                                     std::optional<UsageLogFile> usage_log)
    : wrap_(std::move(wrap)), usage_log_(std::move(usage_log)) {}

int QueuedUsageReport::Begin(std::string_view schema) {
    auto parsed = ParseSchema(schema);
    if (!parsed)
        return 0;
    record_.emplace(std::move(*parsed));
    return 1;
}

int QueuedUsageReport::SetInt(std::string_view name, std::int32_t value) {
    return record_ ? Stored(record_->SetInt(name, value)) : 0;
}

int QueuedUsageReport::SetString(std::string_view name, std::string_view value) {
    return record_ ? Stored(record_->SetString(name, value)) : 0;
}

int QueuedUsageReport::SetInt64(std::string_view name, std::int64_t value) {
    return record_ ? Stored(record_->SetInt64(name, value)) : 0;
}

int QueuedUsageReport::Send() {
    if (!record_)
        return 0;
    const UsageRecord record = std::move(*record_);
    record_.reset();
    if (usage_log_)
        usage_log_->Append(record);
    ITallylineClient2* client = wrap_ ? wrap_->Client() : nullptr;
    if (!client)
        return 0;
    client->Begin(record.schema().text.c_str());
    ClientTarget target(*client);
    record.ReplayInto(target);
    return client->ReportNow(0);
}

}  // namespace report
