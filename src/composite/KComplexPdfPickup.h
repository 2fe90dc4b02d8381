#pragma once

#include "composite/KComplexSingleStep.h"

// The chosen pages of a PDF, in the order chosen, into a new PDF.
class KComplexPdfPickup : public KComplexSingleStep {
public:
    KComplexPdfPickup(std::string source, std::string target,
                      quirekit::ICvtUpateProcess* progress = nullptr,
                      const CompositeServices* services = nullptr)
        : KComplexSingleStep(
              SourceToTarget(OperationKind::kPickupPages, std::move(source), std::move(target)),
              Tool::kPage, progress, services) {}
};
