#pragma once

#include "composite/KComplexPdfToImgPdf.h"

// A PDF whose text is drawn as outlines: the image-PDF chain with the curves operation.
class KComplexPdfToCurve : public KComplexPdfToImgPdf {
public:
    explicit KComplexPdfToCurve(Params params, quirekit::ICvtUpateProcess* progress = nullptr,
                                const CompositeServices* services = nullptr)
        : KComplexPdfToImgPdf(std::move(params), OperationKind::kPdfToCurve, progress, services) {}
};
