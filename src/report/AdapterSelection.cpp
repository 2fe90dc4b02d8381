#include "report/AdapterSelection.h"

#include <cstring>
#include <mutex>
#include <string>
#include <vector>

#include "app/CmdLineParser.h"
#include "platform/AtomicFile.h"
#include "platform/Paths.h"
#include "report/ClientTallylineAdapter.h"
#include "report/EmptyPDFTallylineAdapter.h"
#include "report/KTallylineNoKfmtFileWrap.h"
#include "report/QueuedTallylineAdapter.h"

namespace report {
namespace {

constexpr std::size_t kMaxCommandLineBytes = 1024 * 1024;

std::mutex automation_mutex;              // guards automation_decision
std::optional<bool> automation_decision;  // guarded by automation_mutex; set once

std::string OwnRawCommandLine() {
    const auto read = platform::ReadFileBounded("/proc/self/cmdline", kMaxCommandLineBytes);
    if (read.status != platform::ReadStatus::Ok)
        return {};
    std::vector<const char*> argv;
    const std::string& bytes = read.bytes;
    // Arguments are NUL-terminated; c_str() terminates the last one even without its NUL.
    for (std::size_t start = 0; start < bytes.size(); start += std::strlen(&bytes[start]) + 1)
        argv.push_back(&bytes[start]);
    return RawCommandLineFromArgv(static_cast<int>(argv.size()), argv.data());
}

std::unique_ptr<IPDFTallylineAdapter> MakeQueuedAdapter(const AdapterContext& context) {
    auto report = std::make_unique<QueuedUsageReport>(
        std::make_unique<KTallylineNoKfmtFileWrap>(context.client_library), context.usage_log);
    KAsynTaskMgr& manager = context.task_manager ? *context.task_manager : KAsynTaskMgr::Instance();
    return std::make_unique<QueuedTallylineAdapter>(std::move(report), manager);
}

}  // namespace

bool HoldsAutomationSwitches(std::string_view raw_command_line) {
    return raw_command_line.find("/testdriver:") != std::string_view::npos &&
           raw_command_line.find("/testconfig:") != std::string_view::npos;
}

AdapterKind ChooseAdapterKind(bool automation_run, int edition_number) {
    if (automation_run)
        return AdapterKind::Empty;
    if (edition_number == 1)
        return AdapterKind::TelemetryClient;
    if (edition_number >= 2 && edition_number <= 5)
        return AdapterKind::ServiceSdk;
    if (edition_number == 7)
        return AdapterKind::QueuedReport;
    return AdapterKind::None;
}

bool DecideAutomationRun(std::string_view raw_command_line) {
    std::lock_guard lock(automation_mutex);
    if (!automation_decision)
        automation_decision = HoldsAutomationSwitches(raw_command_line);
    return *automation_decision;
}

bool IsAutomationRun() {
    {
        std::lock_guard lock(automation_mutex);
        if (automation_decision)
            return *automation_decision;
    }
    return DecideAutomationRun(OwnRawCommandLine());
}

AdapterContext AdapterContext::ForProcess() {
    AdapterContext context;
    context.client_library = platform::ProgramFolder() / kClientLibraryName;
    context.usage_log = ConfiguredUsageLog();
    return context;
}

std::unique_ptr<IPDFTallylineAdapter> CreateTallylineAdapter(AdapterKind kind,
                                                             const AdapterContext& context) {
    switch (kind) {
        case AdapterKind::None:
            return nullptr;
        case AdapterKind::Empty:
            return std::make_unique<EmptyPDFTallylineAdapter>();
        case AdapterKind::TelemetryClient:
            return std::make_unique<ClientTallylineAdapter>(
                std::make_unique<KTallylineNoKfmtFileWrap>(context.client_library),
                context.usage_log);
        case AdapterKind::ServiceSdk:
            return std::make_unique<ClientTallylineAdapter>(context.service_sdk_client,
                                                            context.usage_log);
        case AdapterKind::QueuedReport:
            return MakeQueuedAdapter(context);
    }
    return nullptr;
}

}  // namespace report
