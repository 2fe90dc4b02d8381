#include "cli/ConversionLink.h"

#include "app/AsynLog.h"
#include "core/KPdfCoreManager.h"
#include "platform/Diagnostics.h"
#include "tasks/KTaskCenter.h"

namespace cli {
namespace {

keasy::AsynLog& Log() {
    return keasy::AsynLog::Instance();
}

}  // namespace

ConversionLink::~ConversionLink() {
    Stop();
}

bool ConversionLink::Start(std::string* error) {
    Log().Init();
    platform::SetDiagnosticSink([](std::string_view line) { Log().Print("%s", line); });
    manager_ = KPdfCoreManager::Instance();
    if (!manager_->Init()) {
        Log().Print("KPdfCoreManager::Init failed");
        *error =
            "cannot start the conversion link: the pipe library or the pipe server is not "
            "available (see the log)";
        return false;
    }
    Log().Print("ConversionLink::Start pipe server:%s", manager_->PipeServerName());
    return true;
}

bool ConversionLink::Stop() {
    if (stopped_)
        return true;
    stopped_ = true;
    if (manager_)
        manager_->Shutdown();
    bool idle = true;
    if (auto* center = KTaskCenter::Existing(); center && !center->WaitIdleFor(kDrainLimit)) {
        Log().Print("KTaskCenter still busy at shutdown");
        idle = false;
    }
    Log().Print("__________ quire-cli stopped __________");
    Log().WaitIdle();
    Log().Close();
    platform::SetDiagnosticSink(nullptr);
    return idle;
}

}  // namespace cli
