#pragma once

#include "cli/PageImageLimits.h"
#include "cli/PageRangeOption.h"
#include "cli/PerFileJobBuilder.h"

namespace cli {

// PDF to images (KPdf2ImageFuncWnd) and Office to images (KOffice2ImageWnd): a subfolder per
// file, named after it, receives the page pictures.
class PageImageJobs : public PerFileJobBuilder {
public:
    // `memory_mib` is the core's picture budget ([kpdfcore] memoctrl).
    explicit PageImageJobs(int memory_mib);

    void Configure(OptionReader& options) override;

protected:
    std::unique_ptr<PlannedJob> PlanFile(const SourceFile& file, PlanContext& context) override;

private:
    // The request after the window's size limits; nullopt when the file is refused.
    std::optional<PageImageRequest> Fitted(const SourceFile& file, const page_text::Range& range,
                                           PlannedJob& job) const;
    ICvtTask* MakeTask(const SourceFile& file, const std::string& folder, const std::string& result,
                       const PageImageRequest& fitted, PlanContext& context, PlannedJob& job) const;

    const int memory_mib_;
    int image_type_ = 10;  // 10 jpg, 11 png, 12 bmp
    bool long_image_ = false;
    int pages_per_image_ = 0;  // 0: all pages in one picture
    int scale_percent_ = 200;
    PageRangeOption pages_;
};

}  // namespace cli
