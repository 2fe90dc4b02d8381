#include "core/KPdfToOthers.h"

#include "app/AsynLog.h"
#include "core/FileTypeCodes.h"
#include "core/OperationRecords.h"
#include "online/KSvrTaskMgr.h"

bool KPdfToOthers::ConvertFromPdf(const std::string& source, const std::string& target,
                                  int target_type) {
    const std::string cmd = file_types::FromPdfCommand(target_type);
    if (cmd.empty()) {
        keasy::AsynLog::Instance().Print("KPdfToOthers::ConvertFromPdf unknown type:%d",
                                         target_type);
        return false;
    }
    Json::Value record = operation_records::SourceAndTarget(cmd, source, target);
    return SubmitCmd(record);
}

bool KPdfToOthers::ToImagePdf(const std::string& source, const std::string& target) {
    Json::Value record = operation_records::SourceAndTarget("pdf_to_img_pdf", source, target);
    return SubmitCmd(record);
}

bool KPdfToOthers::ToCurve(const std::string& source, const std::string& target) {
    Json::Value record = operation_records::SourceAndTarget("pdf_to_curve", source, target);
    return SubmitCmd(record);
}

bool KPdfToOthers::ConvertOnline(KSvrTaskMgr& service, const std::string& source,
                                 const std::string& target, int page_count) {
    return KeepServiceTask(service, service.PreparePdfTask(source, target, page_count));
}

bool KPdfToOthers::ConvertOnlinePlain(KSvrTaskMgr& service, const std::string& source,
                                      const std::string& target) {
    return KeepServiceTask(service, service.PreparePlainTask(source, target));
}
