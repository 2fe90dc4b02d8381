#pragma once

#include <functional>
#include <string>

#include "tasks/ICvtTask.h"

class KPdfCoreManager;

// A query of one document's facts, run on the task center's information pool. It publishes
// every fact in its property table as soon as the core reports it, so a window can show the
// page count before the rest is known. Ends with "result" 1 whenever the core answered at all;
// a fact still -1 then means it could not be learned.
class KCompexGetInfo : public ICvtTask {
public:
    // `manager` is borrowed; null means the process-wide one.
    KCompexGetInfo(bool is_pdf, std::string path, KPdfCoreManager* manager = nullptr);

    // Posts to the information pool without marking a conversion as started.
    void Start() override;
    void DoWork() override;

    std::string GetSourcePath() override { return path_; }
    bool IsPdf() const { return is_pdf_; }

private:
    const bool is_pdf_;
    const std::string path_;
    KPdfCoreManager* manager_;
};

// Asks the core for a document's facts and waits, for code already on a worker thread. Each
// fact is -1 when not known; false when none is known. Stops early when `cancel` becomes set.
struct FileFacts {
    int page_count = -1;
    int encrypted = -1;
    int image_only = -1;
    int unreadable = -1;
};
bool QueryFileInfo(const std::string& path, const std::function<bool()>& cancelled,
                   FileFacts* facts, std::string* error = nullptr,
                   KPdfCoreManager* manager = nullptr);
