#pragma once

#include "composite/KComplexSingleStep.h"

// A picture re-encoded to fit within `max_size` kilobytes where it can.
class KComplexImgCompress : public KComplexSingleStep {
public:
    KComplexImgCompress(std::string source, std::string target, int max_size,
                        quirekit::ICvtUpateProcess* progress = nullptr,
                        const CompositeServices* services = nullptr)
        : KComplexSingleStep(Limited(std::move(source), std::move(target), max_size),
                             Tool::kPicture, progress, services) {}

private:
    static OperationRequest Limited(std::string source, std::string target, int max_size) {
        OperationRequest request =
            SourceToTarget(OperationKind::kImageCompress, std::move(source), std::move(target));
        request.max_size = max_size;
        return request;
    }
};
