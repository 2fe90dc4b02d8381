#pragma once

#include "composite/KComplexSingleStep.h"

// The pictures the chosen pages of a PDF draw, as files in a folder.
class KComplexPdfPickupPic : public KComplexSingleStep {
public:
    KComplexPdfPickupPic(std::string source, std::string target_folder,
                         quirekit::ICvtUpateProcess* progress = nullptr,
                         const CompositeServices* services = nullptr)
        : KComplexSingleStep(SourceToTarget(OperationKind::kExtractImages, std::move(source),
                                            std::move(target_folder)),
                             Tool::kPage, progress, services) {}

    // The result is a folder of pictures, not one file the window could open.
    std::string GetTargetPath() override { return {}; }
};
