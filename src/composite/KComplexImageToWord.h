#pragma once

#include <string>

#include "composite/KComplexTask.h"

// Text recognition of a picture into a Word document, on the online service only.
class KComplexImageToWord : public KComplexTask {
public:
    struct Params {
        std::string source;
        std::string target;
    };

    explicit KComplexImageToWord(Params params, quirekit::ICvtUpateProcess* progress = nullptr,
                                 const CompositeServices* services = nullptr);

    std::string GetSourcePath() override { return params_.source; }
    std::string GetTargetPath() override { return params_.target; }

protected:
    bool Work() override;

private:
    const Params params_;
};
