#pragma once

#include "composite/KComplexSingleStep.h"

// A picture scaled to exactly width x height pixels; the format follows the target's extension.
class KComplexImgResize : public KComplexSingleStep {
public:
    KComplexImgResize(std::string source, std::string target, int width, int height,
                      quirekit::ICvtUpateProcess* progress = nullptr,
                      const CompositeServices* services = nullptr)
        : KComplexSingleStep(Sized(std::move(source), std::move(target), width, height),
                             Tool::kPicture, progress, services) {}

private:
    static OperationRequest Sized(std::string source, std::string target, int width, int height) {
        OperationRequest request =
            SourceToTarget(OperationKind::kImageResize, std::move(source), std::move(target));
        request.width = width;
        request.height = height;
        return request;
    }
};
