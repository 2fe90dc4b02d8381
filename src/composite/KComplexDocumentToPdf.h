#pragma once

#include <string>

#include "composite/KComplexTask.h"

// Word, Excel, PowerPoint or text to PDF: on the local core unless the user asked for precise
// conversion, then, when allowed, on the online service; chosen pages of an online result are
// cut out of it.
class KComplexDocumentToPdf : public KComplexTask {
public:
    struct Params {
        std::string source;  // its extension chooses the command
        std::string target;
        bool prefer_online = false;
    };

    explicit KComplexDocumentToPdf(Params params, quirekit::ICvtUpateProcess* progress = nullptr,
                                   const CompositeServices* services = nullptr);

    int IsLocal() override { return GetInt("bLocal", 0); }
    std::string GetSourcePath() override { return params_.source; }
    std::string GetTargetPath() override { return params_.target; }

protected:
    bool Work() override;

private:
    bool ConvertOnline(OperationContext& context);

    const Params params_;
};
