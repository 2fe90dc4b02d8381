#pragma once

#include <string>
#include <vector>

#include "composite/KComplexTask.h"

// Pictures to one PDF, a page per picture in list order.
class KComplexImageToPdf : public KComplexTask {
public:
    struct Params {
        std::vector<std::string> images;
        std::string target;
        KOthersToPdf::ImagePages pages;
    };

    explicit KComplexImageToPdf(Params params, quirekit::ICvtUpateProcess* progress = nullptr,
                                const CompositeServices* services = nullptr);

    // The first picture: the window lists one task per picture.
    std::string GetSourcePath() override;
    std::string GetTargetPath() override { return params_.target; }

protected:
    bool Work() override;

private:
    const Params params_;
};
