#pragma once

#include <string>

#include "core/KConvertBase.h"

// PDF to editable documents, to an image-only PDF and to outlined text, on a local core or on
// the online service.
class KPdfToOthers : public KConvertBase {
public:
    using KConvertBase::KConvertBase;

    // `target_type` is a file_types target code 1..7; anything else submits nothing and fails.
    bool ConvertFromPdf(const std::string& source, const std::string& target, int target_type);
    bool ToImagePdf(const std::string& source, const std::string& target);
    bool ToCurve(const std::string& source, const std::string& target);

    // Online: a PDF to a document, sending the page count.
    bool ConvertOnline(KSvrTaskMgr& service, const std::string& source, const std::string& target,
                       int page_count);
    // Online: any other conversion of a PDF (drawings among them).
    bool ConvertOnlinePlain(KSvrTaskMgr& service, const std::string& source,
                            const std::string& target);
};
