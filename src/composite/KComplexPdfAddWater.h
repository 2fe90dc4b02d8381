#pragma once

#include "composite/KComplexSingleStep.h"

// A PDF with a text or picture watermark on its chosen pages.
class KComplexPdfAddWater : public KComplexSingleStep {
public:
    KComplexPdfAddWater(std::string source, std::string target, const WatermarkSettings& settings,
                        quirekit::ICvtUpateProcess* progress = nullptr,
                        const CompositeServices* services = nullptr)
        : KComplexSingleStep(Watermarked(std::move(source), std::move(target), settings),
                             Tool::kPage, progress, services) {}

private:
    static OperationRequest Watermarked(std::string source, std::string target,
                                        const WatermarkSettings& settings) {
        OperationRequest request =
            SourceToTarget(OperationKind::kAddWatermark, std::move(source), std::move(target));
        request.watermark = settings;
        return request;
    }
};
