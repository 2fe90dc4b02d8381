#pragma once

#include "composite/IOperationBackend.h"

class KPdfCoreManager;

// The real local path: every request becomes the operation object that builds its command
// record, submitted to the conversion cores through the core manager.
class CoreOperationBackend : public IOperationBackend {
public:
    // `manager` is borrowed and must outlive every job submitted here.
    explicit CoreOperationBackend(KPdfCoreManager* manager);

    std::unique_ptr<IOperationJob> Submit(const OperationRequest& request) override;
    bool QueryFileInfo(const std::string& path, const std::function<bool()>& cancelled,
                       FileFacts* facts, std::string* error) override;

private:
    KPdfCoreManager* manager_;
};
