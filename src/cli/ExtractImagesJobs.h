#pragma once

#include "cli/PageRangeOption.h"
#include "cli/PerFileJobBuilder.h"

namespace cli {

// Extract pictures (KPdfPickupPicFuncWnd): the pictures of each file as ".jpg" files in a new
// folder "<title>_图片".
class ExtractImagesJobs : public PerFileJobBuilder {
public:
    void Configure(OptionReader& options) override { pages_.Configure(options); }

protected:
    std::unique_ptr<PlannedJob> PlanFile(const SourceFile& file, PlanContext& context) override;

private:
    PageRangeOption pages_;
};

}  // namespace cli
