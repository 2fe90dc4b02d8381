#pragma once

#include "cli/PerFileJobBuilder.h"

namespace cli {

// Compress (KPdfCompressFuncWnd): "<title>_已压缩.pdf" at one of four levels, 1 lossless to 4
// strongest; the window starts at 3.
class CompressJobs : public PerFileJobBuilder {
public:
    void Configure(OptionReader& options) override;

protected:
    std::unique_ptr<PlannedJob> PlanFile(const SourceFile& file, PlanContext& context) override;

private:
    int level_ = 3;
};

}  // namespace cli
