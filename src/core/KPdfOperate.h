#pragma once

#include <string>
#include <vector>

#include "core/KConvertBase.h"
#include "core/WatermarkSettings.h"

// Page tools on PDFs. Pages to keep or delete come from AddPage; the password to open with
// (or, for EncryptPdf, to set) from SetPassword.
class KPdfOperate : public KConvertBase {
public:
    using KConvertBase::KConvertBase;

    struct PageRange {
        int start = 0;
        int end = 0;
    };
    struct MergeSource {
        int start = 0;
        int end = 0;
        std::string file_path;
        std::string password;  // may be empty
    };

    bool SplitPdf(const std::string& source, const std::string& target,
                  const std::vector<PageRange>& ranges);
    bool MergePdf(const std::string& target, const std::vector<MergeSource>& sources);
    bool PickupPages(const std::string& source, const std::string& target);
    bool DeletePages(const std::string& source, const std::string& target);
    bool EncryptPdf(const std::string& source, const std::string& target);
    bool DecryptPdf(const std::string& source, const std::string& target);
    bool ExtractImages(const std::string& source, const std::string& target_dir);
    bool MergeFiles(const std::string& target, const std::vector<std::string>& files);
    bool CompressPdf(const std::string& source, const std::string& target, int compress_type);
    bool AddWatermark(const std::string& source, const std::string& target,
                      const WatermarkSettings& settings);

private:
    bool SubmitSourceAndTarget(const char* cmd, const std::string& source,
                               const std::string& target);
};
