#pragma once

#include <string>

#include "composite/KComplexTask.h"

// The chosen pages of a PDF to pictures in a folder.
class KComplexPdfToImage : public KComplexTask {
public:
    struct Params {
        std::string source;
        std::string output_folder;
        std::string result_path;  // what the window shows as the result
        PageImageOptions images;
    };

    explicit KComplexPdfToImage(Params params, quirekit::ICvtUpateProcess* progress = nullptr,
                                const CompositeServices* services = nullptr);

    std::string GetSourcePath() override { return params_.source; }
    std::string GetTargetPath() override { return params_.result_path; }

protected:
    bool Work() override;

private:
    const Params params_;
};
