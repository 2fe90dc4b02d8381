#pragma once

#include "cli/PageRangeOption.h"
#include "cli/PerFileJobBuilder.h"
#include "core/WatermarkSettings.h"

namespace cli {

// Add watermark (KPdfAddWaterFuncWnd): "<title>_水印.pdf" with the settings of the watermark
// dialog, which the options fill in.
class WatermarkJobs : public PerFileJobBuilder {
public:
    void Configure(OptionReader& options) override;

protected:
    std::unique_ptr<PlannedJob> PlanFile(const SourceFile& file, PlanContext& context) override;

private:
    void ReadText(OptionReader& options);
    void ReadPicture(OptionReader& options);
    void ReadColor(OptionReader& options);
    void ReadPlacement(OptionReader& options);

    WatermarkSettings settings_;
    PageRangeOption pages_;
};

}  // namespace cli
