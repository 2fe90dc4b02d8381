#include "core/KPdfOperate.h"

#include "core/OperationRecords.h"

bool KPdfOperate::SplitPdf(const std::string& source, const std::string& target,
                           const std::vector<PageRange>& ranges) {
    Json::Value record = operation_records::SourceAndTarget("new_split_pdf", source, target);
    Json::Value& list = record["page_range"] = Json::Value(Json::arrayValue);
    for (const PageRange& range : ranges) {
        Json::Value item;
        item["start"] = range.start;
        item["end"] = range.end;
        list.append(item);
    }
    return SubmitCmd(record);
}

bool KPdfOperate::MergePdf(const std::string& target, const std::vector<MergeSource>& sources) {
    Json::Value record = operation_records::TargetOnly("new_merge_pdf", target);
    Json::Value& list = record["source_file_list"] = Json::Value(Json::arrayValue);
    for (const MergeSource& source : sources) {
        Json::Value item;
        item["start"] = source.start;
        item["end"] = source.end;
        item["file_path"] = source.file_path;
        item["password"] = source.password;
        list.append(item);
    }
    return SubmitCmd(record);
}

bool KPdfOperate::PickupPages(const std::string& source, const std::string& target) {
    return SubmitSourceAndTarget("pdf_pickup_pages", source, target);
}

bool KPdfOperate::DeletePages(const std::string& source, const std::string& target) {
    return SubmitSourceAndTarget("pdf_delete_pages", source, target);
}

bool KPdfOperate::EncryptPdf(const std::string& source, const std::string& target) {
    return SubmitSourceAndTarget("pdf_encrypt", source, target);
}

bool KPdfOperate::DecryptPdf(const std::string& source, const std::string& target) {
    return SubmitSourceAndTarget("pdf_decrypt", source, target);
}

bool KPdfOperate::ExtractImages(const std::string& source, const std::string& target_dir) {
    Json::Value record;
    record["cmd"] = "pdf_extract_images";
    record["source_path"] = source;
    record["target_dir"] = target_dir;
    return SubmitCmd(record);
}

bool KPdfOperate::MergeFiles(const std::string& target, const std::vector<std::string>& files) {
    Json::Value record = operation_records::TargetOnly("pdf_merge", target);
    Json::Value& list = record["files"] = Json::Value(Json::arrayValue);
    for (const std::string& file : files)
        list.append(file);
    return SubmitCmd(record);
}

bool KPdfOperate::CompressPdf(const std::string& source, const std::string& target,
                              int compress_type) {
    Json::Value record = operation_records::SourceAndTarget("pdf_compress", source, target);
    record["compress_type"] = compress_type;
    return SubmitCmd(record);
}

bool KPdfOperate::AddWatermark(const std::string& source, const std::string& target,
                               const WatermarkSettings& settings) {
    Json::Value record = operation_records::SourceAndTarget("pdf_add_watermark", source, target);
    AddWatermarkKeys(record, settings);
    return SubmitCmd(record);
}

bool KPdfOperate::SubmitSourceAndTarget(const char* cmd, const std::string& source,
                                        const std::string& target) {
    Json::Value record = operation_records::SourceAndTarget(cmd, source, target);
    return SubmitCmd(record);
}
