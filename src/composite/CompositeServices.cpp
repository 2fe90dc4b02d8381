#include "composite/CompositeServices.h"

#include <atomic>

#include "app/ConsentSetting.h"
#include "composite/CoreOperationBackend.h"
#include "core/KPdfCoreManager.h"
#include "platform/Paths.h"

namespace {

// Written once by start-up, read by every task constructed afterwards.
std::atomic<IOnlineConverter*> g_program_online{nullptr};

}  // namespace

CompositeServices CompositeServices::ForProgram() {
    // Lives until the process ends, like the manager it wraps: pool threads may still poll
    // their jobs while static objects are destroyed.
    static CoreOperationBackend* const backend =
        new CoreOperationBackend(KPdfCoreManager::Instance());
    CompositeServices services;
    services.operations = backend;
    services.online = g_program_online.load();
    services.online_allowed = [] { return ConsentSetting::ForProgram().IsAgreed(); };
    services.temp_root = [] { return platform::PrivateSubfolder("temp"); };
    services.desktop = [] { return platform::DesktopFolder(); };
    return services;
}

void CompositeServices::SetProgramOnlineConverter(IOnlineConverter* online) {
    g_program_online.store(online);
}
