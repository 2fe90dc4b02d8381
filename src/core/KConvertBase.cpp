#include "core/KConvertBase.h"

#include "online/KSvrTaskMgr.h"

KConvertBase::KConvertBase(KPdfCoreManager* manager) : manager_(manager) {}

KConvertBase::~KConvertBase() = default;

void KConvertBase::AddPage(int page) {
    pages_.push_back(page);
}

bool KConvertBase::SubmitCmd(Json::Value& record) {
    if (!password_.empty())
        record["password"] = password_;
    for (int page : pages_)
        record["pages"].append(page);
    core_task_id_ = manager_->AddTask(record);
    return core_task_id_ != 0;
}

int KConvertBase::GetResult() {
    const int result = manager_->GetIntInfo(core_task_id_, "result", -1);
    if (result > 0)
        return result;
    return manager_->IsTaskAlive(core_task_id_) ? result : 0;
}

int KConvertBase::GetProgress() {
    if (service_task_id_ != 0)
        return service_->GetProgress(service_task_id_);
    return manager_->GetIntInfo(core_task_id_, "progress", -1);
}

int KConvertBase::GetIntValue(const std::string& key, int default_value) {
    return manager_->GetIntInfo(core_task_id_, key, default_value);
}

std::string KConvertBase::GetError() {
    return manager_->GetInfo(core_task_id_, "error");
}

void KConvertBase::Cancel() {
    if (core_task_id_ != 0)
        manager_->SetInfo(core_task_id_, "cancel", "1");
    if (service_task_id_ != 0)
        service_->Cancel(service_task_id_);
}

int KConvertBase::GetOnlineResult() {
    if (service_task_id_ == 0)
        return 0;
    if (service_->GetRunning(service_task_id_) != 0)
        return -1;
    return service_->IsSucceeded(service_task_id_) ? 1 : 0;
}

std::string KConvertBase::GetOnlineError() {
    return service_task_id_ == 0 ? std::string() : service_->GetFailInfo(service_task_id_);
}

bool KConvertBase::KeepServiceTask(KSvrTaskMgr& service, int task_id) {
    service_ = &service;
    service_task_id_ = task_id;
    return task_id != 0;
}
