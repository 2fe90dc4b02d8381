#pragma once

#include <string>

#include "composite/KComplexTask.h"

// A CAD drawing to PDF, on the online service only.
class KComplexCadToPdf : public KComplexTask {
public:
    struct Params {
        std::string source;
        std::string target;
        int option = 0;  // the white-background flag the service takes
    };

    explicit KComplexCadToPdf(Params params, quirekit::ICvtUpateProcess* progress = nullptr,
                              const CompositeServices* services = nullptr);

    std::string GetSourcePath() override { return params_.source; }
    std::string GetTargetPath() override { return params_.target; }

protected:
    bool Work() override;

private:
    const Params params_;
};
