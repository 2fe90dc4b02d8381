#pragma once

#include <string>

#include "composite/KComplexSingleStep.h"

// A PDF made smaller at one of four levels (1 lossless … 4 strongest). When the core cannot
// make it smaller, an unchanged copy of the source becomes the result.
class KComplexPdfCompress : public KComplexSingleStep {
public:
    // The core's error when its result would not be smaller than the source.
    static constexpr char kNotSmaller[] = "9";

    KComplexPdfCompress(std::string source, std::string target, int compress_type = 3,
                        quirekit::ICvtUpateProcess* progress = nullptr,
                        const CompositeServices* services = nullptr);

protected:
    bool Work() override;
};
