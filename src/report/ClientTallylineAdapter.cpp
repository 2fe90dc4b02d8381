#include "report/ClientTallylineAdapter.h"

#include <string>
#include <utility>

#include "report/Int64Halves.h"

namespace report {

ClientTallylineAdapter::ClientTallylineAdapter(std::unique_ptr<KTallylineNoKfmtFileWrap> wrap,
                                               std::optional<UsageLogFile> usage_log)
    : wrap_(std::move(wrap)),
      client_(wrap_ ? wrap_->Client() : nullptr),
      usage_log_(std::move(usage_log)) {}

ClientTallylineAdapter::ClientTallylineAdapter(ITallylineClient2* borrowed_client,
                                               std::optional<UsageLogFile> usage_log)
    : client_(borrowed_client), usage_log_(std::move(usage_log)) {}

int ClientTallylineAdapter::Begin(std::string_view schema) {
    if (auto parsed = ParseSchema(schema))
        record_.emplace(std::move(*parsed));
    return client_ ? client_->Begin(std::string(schema).c_str()) : 0;
}

int ClientTallylineAdapter::SetInt(std::string_view name, std::int32_t value) {
    if (record_)
        record_->SetInt(name, value);
    return client_ ? client_->SetInt(std::string(name).c_str(), value) : 0;
}

int ClientTallylineAdapter::SetString(std::string_view name, std::string_view value) {
    if (record_)
        record_->SetString(name, value);
    return client_ ? client_->SetString(std::string(name).c_str(), std::string(value).c_str()) : 0;
}

int ClientTallylineAdapter::SetInt64(std::string_view name, std::uint32_t low, std::uint32_t high) {
    if (record_)
        record_->SetInt64(name, Join64(low, high));
    return client_ ? client_->SetInt64(std::string(name).c_str(), low, high) : 0;
}

int ClientTallylineAdapter::ReportNow(int flag) {
    KeepLocalCopy();
    return client_ ? client_->ReportNow(flag) : 0;
}

int ClientTallylineAdapter::Report() {
    const int taken = client_ ? client_->Report() : 0;
    if (taken != 0)
        KeepLocalCopy();
    return taken;
}

void ClientTallylineAdapter::KeepLocalCopy() {
    if (record_ && usage_log_)
        usage_log_->Append(*record_);
    record_.reset();
}

}  // namespace report
