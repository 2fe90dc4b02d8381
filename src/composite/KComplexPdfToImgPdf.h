#pragma once

#include <string>

#include "composite/KComplexTask.h"

// Every page of a PDF redrawn as a picture, in a new PDF. Needs the page count.
class KComplexPdfToImgPdf : public KComplexTask {
public:
    struct Params {
        std::string source;
        std::string target;
    };

    explicit KComplexPdfToImgPdf(Params params, quirekit::ICvtUpateProcess* progress = nullptr,
                                 const CompositeServices* services = nullptr);

    std::string GetSourcePath() override { return params_.source; }
    std::string GetTargetPath() override { return params_.target; }

protected:
    // For the members that run the same chain with another final operation.
    KComplexPdfToImgPdf(Params params, OperationKind final_step,
                        quirekit::ICvtUpateProcess* progress, const CompositeServices* services);

    bool Work() override;

private:
    const Params params_;
    const OperationKind final_step_;
};
