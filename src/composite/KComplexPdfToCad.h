#pragma once

#include <string>

#include "composite/KComplexTask.h"

// A PDF to a CAD drawing, on the online service only: decrypted and cut to the chosen pages in
// the private folder first.
class KComplexPdfToCad : public KComplexTask {
public:
    struct Params {
        std::string source;
        std::string target;
        bool cut_first = false;  // encrypted: always cut before uploading
    };

    explicit KComplexPdfToCad(Params params, quirekit::ICvtUpateProcess* progress = nullptr,
                              const CompositeServices* services = nullptr);

    std::string GetSourcePath() override { return params_.source; }
    std::string GetTargetPath() override { return params_.target; }

protected:
    bool Work() override;

private:
    const Params params_;
};
