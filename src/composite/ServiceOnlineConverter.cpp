#include "composite/ServiceOnlineConverter.h"

#include "core/KOcrConvert.h"
#include "core/KOthersToPdf.h"
#include "core/KPdfToOthers.h"
#include "online/KSvrTaskMgr.h"

namespace {

// Online operations are never submitted to a local core, so they need no core manager.
template <typename Operation>
class ServiceJob : public IOnlineJob {
public:
    ServiceJob(std::unique_ptr<Operation> operation, KSvrTaskMgr* service, int task_id)
        : operation_(std::move(operation)), service_(service), task_id_(task_id) {}

    int Result() override { return operation_->GetOnlineResult(); }
    int Progress() override { return operation_->GetProgress(); }
    std::string Error() override { return operation_->GetOnlineError(); }
    void Cancel() override { operation_->Cancel(); }
    int ServiceErrorCode() override { return service_->GetRetCode(task_id_); }

private:
    std::unique_ptr<Operation> operation_;
    KSvrTaskMgr* service_;
    int task_id_;
};

template <typename Operation, typename Prepare>
std::unique_ptr<IOnlineJob> Start(KSvrTaskMgr* service, Prepare prepare) {
    auto operation = std::make_unique<Operation>(nullptr);
    if (!prepare(*operation))
        return nullptr;
    const int task_id = operation->ServiceTaskId();
    return std::make_unique<ServiceJob<Operation>>(std::move(operation), service, task_id);
}

}  // namespace

std::unique_ptr<IOnlineJob> ServiceOnlineConverter::Submit(const OnlineRequest& r) {
    KSvrTaskMgr& service = *service_;
    switch (r.kind) {
        case OnlineKind::kPdfToDocument:
            return Start<KPdfToOthers>(service_, [&](KPdfToOthers& op) {
                return op.ConvertOnline(service, r.source, r.target, r.page_count);
            });
        case OnlineKind::kPdfToCad:
            return Start<KPdfToOthers>(service_, [&](KPdfToOthers& op) {
                return op.ConvertOnlinePlain(service, r.source, r.target);
            });
        case OnlineKind::kDocumentToPdf:
            return Start<KOthersToPdf>(service_, [&](KOthersToPdf& op) {
                return op.ConvertOnline(service, r.source, r.target, r.page_count);
            });
        case OnlineKind::kCadToPdf:
            return Start<KOthersToPdf>(service_, [&](KOthersToPdf& op) {
                return op.ConvertDrawingOnline(service, r.source, r.target, r.option != 0);
            });
        case OnlineKind::kImageToWord:
            return Start<KOcrConvert>(service_, [&](KOcrConvert& op) {
                return op.ConvertOnline(service, r.source, r.target);
            });
    }
    return nullptr;
}
