#pragma once

#include "report/PDFTallylineReporter.h"
#include "report/UsageRecord.h"

namespace report {

// "ver" of most records: the program's build number.
int CommonVer();
// "product_id" of most records. No product-information object exists on this platform, so it
// is the edition number.
int CommonProductId();

// Begins the record's declaration on `reporter`, sets every set field with the operation of
// its declared type (int64 fields with SetInt64: every edition here has 64-bit values) and
// sends. The reporter's answer to Send.
int SendUsageRecord(PDFTallylineReporter& reporter, const UsageRecord& record, SendMode mode);
// The same through a reporter with this process's adapter.
int SendUsageRecord(const UsageRecord& record, SendMode mode);

}  // namespace report
