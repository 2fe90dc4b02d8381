#pragma once

#include <string>
#include <vector>

#include "core/KConvertBase.h"

// Documents and pictures to PDF on a local core; documents and drawings on the online service.
class KOthersToPdf : public KConvertBase {
public:
    using KConvertBase::KConvertBase;

    // How the image-to-PDF window lays pictures out.
    struct ImagePages {
        bool compress = false;
        int quality = 100;  // 100 lossless, 75 high definition, 50 normal, 25 strong
        int page_size = 0;  // 0 the picture's own size, 1 A3, 2 A4
        int direction = 0;  // 0 portrait, 1 landscape
        int margin = 0;     // 0 none, 1 narrow, 2 wide
    };

    // `source_type` is a file_types source code; pictures and unknown codes submit nothing
    // and fail.
    bool ConvertToPdf(const std::string& source, const std::string& target, int source_type);
    // One "jpg_to_pdf" job for pictures of every format, one page per picture in list order.
    bool ImagesToPdf(const std::string& target, const std::vector<std::string>& images,
                     const ImagePages& pages);

    // Online: a document to PDF; `number` is sent as the job's "pages".
    bool ConvertOnline(KSvrTaskMgr& service, const std::string& source, const std::string& target,
                       int number);
    // Online: a drawing to PDF on a white or black background.
    bool ConvertDrawingOnline(KSvrTaskMgr& service, const std::string& source,
                              const std::string& target, bool white_background);
};
