#include "core/KImgOperate.h"

#include "core/OperationRecords.h"

bool KImgOperate::ResizeImage(const std::string& source, const std::string& target, int width,
                              int height) {
    Json::Value record = operation_records::SourceAndTarget("image_resize", source, target);
    record["width"] = width;
    record["height"] = height;
    return SubmitCmd(record);
}

bool KImgOperate::CompressImage(const std::string& source, const std::string& target,
                                int max_size) {
    Json::Value record = operation_records::SourceAndTarget("image_compress", source, target);
    record["max_size"] = max_size;
    return SubmitCmd(record);
}

bool KImgOperate::ReformatImage(const std::string& source, const std::string& target) {
    Json::Value record = operation_records::SourceAndTarget("image_reformat", source, target);
    return SubmitCmd(record);
}
