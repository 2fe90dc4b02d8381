#pragma once

#include "composite/KComplexSingleStep.h"

// A picture written in the format of the target's extension.
class KComplexImgReformat : public KComplexSingleStep {
public:
    KComplexImgReformat(std::string source, std::string target,
                        quirekit::ICvtUpateProcess* progress = nullptr,
                        const CompositeServices* services = nullptr)
        : KComplexSingleStep(
              SourceToTarget(OperationKind::kImageReformat, std::move(source), std::move(target)),
              Tool::kPicture, progress, services) {}
};
