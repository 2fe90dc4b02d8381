#include "core/KOthersToPdf.h"

#include "app/AsynLog.h"
#include "core/FileTypeCodes.h"
#include "core/OperationRecords.h"
#include "online/KSvrTaskMgr.h"

bool KOthersToPdf::ConvertToPdf(const std::string& source, const std::string& target,
                                int source_type) {
    const std::string cmd = file_types::ToPdfCommand(source_type);
    if (cmd.empty()) {
        keasy::AsynLog::Instance().Print("KOthersToPdf::ConvertToPdf unknown type:%d", source_type);
        return false;
    }
    Json::Value record = operation_records::SourceAndTarget(cmd, source, target);
    return SubmitCmd(record);
}

bool KOthersToPdf::ImagesToPdf(const std::string& target, const std::vector<std::string>& images,
                               const ImagePages& pages) {
    Json::Value record = operation_records::TargetOnly("jpg_to_pdf", target);
    record["compress"] = pages.compress ? 1 : 0;
    record["image_quality"] = pages.quality;
    record["page_size"] = pages.page_size;
    record["page_direction"] = pages.direction;
    record["page_margin"] = pages.margin;
    Json::Value& list = record["images"] = Json::Value(Json::arrayValue);
    for (const std::string& image : images)
        list.append(image);
    return SubmitCmd(record);
}

bool KOthersToPdf::ConvertOnline(KSvrTaskMgr& service, const std::string& source,
                                 const std::string& target, int number) {
    return KeepServiceTask(service, service.PrepareDocumentTask(source, target, number));
}

bool KOthersToPdf::ConvertDrawingOnline(KSvrTaskMgr& service, const std::string& source,
                                        const std::string& target, bool white_background) {
    return KeepServiceTask(service, service.PrepareDrawingTask(source, target, white_background));
}
