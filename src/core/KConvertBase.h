#pragma once

#include <json/value.h>

#include <string>
#include <vector>

#include "core/KPdfCoreManager.h"

class KSvrTaskMgr;

// The program's handle on one conversion job: builds a command record, submits it to the core
// manager and reads the job's values back. Lives on the stack of the composite task that uses
// it, on that task's thread only. A few subclasses can hand their job to the online service
// instead; the object then keeps the service task id and routes its polls there.
class KConvertBase {
public:
    explicit KConvertBase(KPdfCoreManager* manager = KPdfCoreManager::Instance());
    virtual ~KConvertBase();

    KConvertBase(const KConvertBase&) = delete;
    KConvertBase& operator=(const KConvertBase&) = delete;

    // 1 = the first page, kept in the order added.
    void AddPage(int page);
    // The document's open password; for "pdf_encrypt" the one to set. Empty means none.
    void SetPassword(std::string password) { password_ = std::move(password); }

    // Adds "password" (when set) and "pages" (when any), then hands the record to the core
    // manager. True when the manager gave the job an id.
    bool SubmitCmd(Json::Value& record);

    // Above 0 success, 0 failure (also when the job's core is gone without a result), below 0
    // still running.
    int GetResult();
    // The job's "progress", -1 until the core reports one; for an online job the service task's.
    int GetProgress();
    // The job's "error", empty when the core never set it.
    std::string GetError();
    // Marks the job; its core learns of it with its next message. An online job is cancelled
    // on the service task manager as well.
    void Cancel();
    // For an online job: -1 while the service task runs, 1 when it succeeded, 0 otherwise.
    int GetOnlineResult();
    // The service task's failure text.
    std::string GetOnlineError();
    // Any other value the core reported, read like _wtoi; `default_value` when absent.
    int GetIntValue(const std::string& key, int default_value);

    int CoreTaskId() const { return core_task_id_; }
    int ServiceTaskId() const { return service_task_id_; }

protected:
    KPdfCoreManager& Manager() { return *manager_; }
    // Remembers the service task an online entry point prepared; false when there is none.
    bool KeepServiceTask(KSvrTaskMgr& service, int task_id);

private:
    int core_task_id_ = 0;  // 0 until submitted
    std::vector<int> pages_;
    std::string password_;
    KPdfCoreManager* manager_;        // borrowed; the process-wide manager outside tests
    int service_task_id_ = 0;         // 0: the job does not run online
    KSvrTaskMgr* service_ = nullptr;  // borrowed; set with the service task id
};
