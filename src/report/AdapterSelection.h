#pragma once

#include <filesystem>
#include <memory>
#include <optional>
#include <string_view>

#include "report/IPDFTallylineAdapter.h"
#include "report/ITallylineClient2.h"
#include "report/KAsynTaskMgr.h"
#include "report/UsageLogFile.h"

// Which adapter a reporter gets.
namespace report {

enum class AdapterKind {
    None,             // every reporter operation answers 0
    Empty,            // automation runs: everything answers 1, nothing is sent
    TelemetryClient,  // edition 1
    ServiceSdk,       // editions 2 to 5
    QueuedReport,     // edition 7
};

// True when the raw command line holds both "/testdriver:" and "/testconfig:" anywhere.
bool HoldsAutomationSwitches(std::string_view raw_command_line);

AdapterKind ChooseAdapterKind(bool automation_run, int edition_number);

// Whether this process is an automation run is decided once: by the first call of
// DecideAutomationRun (the start-up chain hands it the raw command line), or, when a record
// is sent before that, from /proc/self/cmdline. Later calls change nothing and return the
// decision in force.
bool DecideAutomationRun(std::string_view raw_command_line);
bool IsAutomationRun();

// What the adapters are made with.
struct AdapterContext {
    std::filesystem::path client_library;   // the telemetry client library (edition 1 and 7)
    std::optional<UsageLogFile> usage_log;  // the local copy of sent records, when switched on
    ITallylineClient2* service_sdk_client = nullptr;  // editions 2 to 5; no SDK exists here
    KAsynTaskMgr* task_manager = nullptr;             // edition 7; null: the process-wide one

    // The program folder's client library, the configured usage log, the process's manager.
    static AdapterContext ForProcess();
};

// Nullptr for AdapterKind::None.
std::unique_ptr<IPDFTallylineAdapter> CreateTallylineAdapter(AdapterKind kind,
                                                             const AdapterContext& context);

}  // namespace report
