#pragma once

#include <string>

#include "composite/KComplexTask.h"

// An Office document to pictures: to a PDF in the private folder on the local core (first half
// of the bar), then its chosen pages to pictures (second half).
class KComplexDocumentToImage : public KComplexTask {
public:
    struct Params {
        std::string source;
        std::string output_folder;
        PageImageOptions images;
    };

    explicit KComplexDocumentToImage(Params params, quirekit::ICvtUpateProcess* progress = nullptr,
                                     const CompositeServices* services = nullptr);

    int IsLocal() override { return GetInt("bLocal", 0); }
    std::string GetSourcePath() override { return params_.source; }
    std::string GetTargetPath() override { return params_.output_folder; }

protected:
    bool Work() override;

private:
    // The chosen pages that the PDF really has: the document's page count was an estimate.
    std::vector<int> PagesOfPdf(int pdf_pages) const;

    const Params params_;
};
