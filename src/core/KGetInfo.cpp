#include "core/KGetInfo.h"

#include "app/ConfigKeys.h"

KGetInfo::KGetInfo(KPdfCoreManager* manager, int try_no) : KConvertBase(manager), try_no_(try_no) {}

bool KGetInfo::GetFileInfo(const std::string& path) {
    Json::Value record;
    record["cmd"] = "get_file_info";
    record["file"] = path;
    record["check_img_pdf"] = 1;
    record["try_no"] = try_no_;
    return SubmitCmd(record);
}

int KGetInfo::InstallationTryNo() {
    static const int try_no = config::ReadTryNo();
    return try_no;
}
