#include "cli/ConversionLink.h"

#include "app/AsynLog.h"
#include "app/KAppConfig.h"
#include "composite/CompositeServices.h"
#include "composite/ServiceOnlineConverter.h"
#include "core/KPdfCoreManager.h"
#include "online/KSvrTaskMgr.h"
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
    // A batch's files are known before the first task: one core ready for the first file's
    // query and one for what comes next is all the head start that pays; the window's spare
    // cores would compete with the conversions for the processors.
    manager_->SetCoreStarts({.at_init = 1, .at_first_task = 1, .per_task = 1});
    if (!manager_->Init()) {
        Log().Print("KPdfCoreManager::Init failed");
        *error =
            "cannot start the conversion link: the pipe library or the pipe server is not "
            "available (see the log)";
        return false;
    }
    Log().Print("ConversionLink::Start pipe server:%s", manager_->PipeServerName());
    StartServiceClient();
    return true;
}

void ConversionLink::StartServiceClient() {
    // Without a service address the online steps say that no service is set up.
    if (!KAppConfig::Instance().LoadConfig() || KAppConfig::Instance().Host().empty())
        return;
    service_ = KSvrTaskMgr::Instance();
    if (!service_->Init()) {
        Log().Print("KSvrTaskMgr::Init failed");
        service_ = nullptr;
        return;
    }
    static ServiceOnlineConverter converter(service_);
    CompositeServices::SetProgramOnlineConverter(&converter);
}

bool ConversionLink::Stop() {
    if (stopped_)
        return true;
    stopped_ = true;
    if (manager_)
        manager_->Shutdown();
    if (service_)
        service_->Stop();
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
