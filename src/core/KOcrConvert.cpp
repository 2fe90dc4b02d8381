#include "core/KOcrConvert.h"

#include "online/KSvrTaskMgr.h"

bool KOcrConvert::ConvertOnline(KSvrTaskMgr& service, const std::string& source,
                                const std::string& target) {
    return KeepServiceTask(service, service.PreparePlainTask(source, target));
}
