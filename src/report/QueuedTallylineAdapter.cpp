#include "report/QueuedTallylineAdapter.h"

#include <utility>

#include "report/Int64Halves.h"

namespace report {

QueuedTallylineAdapter::QueuedTallylineAdapter(std::unique_ptr<QueuedUsageReport> report,
                                               KAsynTaskMgr& manager)
    : report_(std::move(report)), manager_(manager) {}

int QueuedTallylineAdapter::Begin(std::string_view schema) {
    return report_ ? report_->Begin(schema) : 0;
}

int QueuedTallylineAdapter::SetInt(std::string_view name, std::int32_t value) {
    return report_ ? report_->SetInt(name, value) : 0;
}

int QueuedTallylineAdapter::SetString(std::string_view name, std::string_view value) {
    return report_ ? report_->SetString(name, value) : 0;
}

int QueuedTallylineAdapter::SetInt64(std::string_view name, std::uint32_t low, std::uint32_t high) {
    return report_ ? report_->SetInt64(name, Join64(low, high)) : 0;
}

int QueuedTallylineAdapter::ReportNow(int) {
    if (!report_)
        return 0;
    const int answer = report_->Send();
    report_.reset();
    return answer;
}

int QueuedTallylineAdapter::Report() {
    if (!report_)
        return 0;
    return manager_.Add(std::move(report_)) ? 1 : 0;
}

}  // namespace report
