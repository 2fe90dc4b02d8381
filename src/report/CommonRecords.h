#pragma once

#include <cstdint>

#include "report/UsageRecord.h"

// Records sent from the start-up chain and the components update job.
namespace report {

// "amber_pdftoword_startup:7098": the "from", "type" and "upfrom" switches of the command line
// (0 when absent), with ver and product_id.
UsageRecord StartupRecord(int source, int tab_type, std::int64_t up_from);
// Sent at once, on the caller's thread.
void SendStartupRecord(int source, int tab_type, std::int64_t up_from);

// "amber_pdftoword_down:6560": download 1 on success and 2 otherwise, the elapsed whole
// seconds, and the updater's code written with "%d" (0 on success).
UsageRecord DownloadRecord(bool succeeded, int elapsed_seconds, int error_code);
void SendDownloadRecord(bool succeeded, int elapsed_seconds, int error_code);

}  // namespace report
