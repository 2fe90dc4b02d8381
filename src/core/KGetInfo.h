#pragma once

#include <string>

#include "core/KConvertBase.h"

// Asks a core for the facts of a document.
class KGetInfo : public KConvertBase {
public:
    explicit KGetInfo(KPdfCoreManager* manager = KPdfCoreManager::Instance(),
                      int try_no = InstallationTryNo());

    // "get_file_info": "file", "check_img_pdf" = 1, "try_no".
    bool GetFileInfo(const std::string& path);

    // The installation's try number from the edition identity file, read once per process;
    // 0 when absent.
    static int InstallationTryNo();

private:
    int try_no_;
};
