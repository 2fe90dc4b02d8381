#include "report/UsageSender.h"

#include "app/Edition.h"
#include "report/ProgramVersion.h"

namespace report {

int CommonVer() {
    return ProgramBuildNumber();
}

int CommonProductId() {
    return CurrentEdition().number;
}

int SendUsageRecord(PDFTallylineReporter& reporter, const UsageRecord& record, SendMode mode) {
    reporter.Begin(record.schema().text);
    record.ReplayInto(reporter);
    return reporter.Send(mode);
}

int SendUsageRecord(const UsageRecord& record, SendMode mode) {
    PDFTallylineReporter reporter;
    return SendUsageRecord(reporter, record, mode);
}

}  // namespace report
