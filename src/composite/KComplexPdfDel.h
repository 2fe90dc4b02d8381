#pragma once

#include "composite/KComplexSingleStep.h"

// A PDF without its chosen pages.
class KComplexPdfDel : public KComplexSingleStep {
public:
    KComplexPdfDel(std::string source, std::string target,
                   quirekit::ICvtUpateProcess* progress = nullptr,
                   const CompositeServices* services = nullptr)
        : KComplexSingleStep(
              SourceToTarget(OperationKind::kDeletePages, std::move(source), std::move(target)),
              Tool::kPage, progress, services) {}
};
