#pragma once

#include "cli/PerFileJobBuilder.h"

namespace cli {

// PDF to an image-only PDF (KPdf2ImgPdfFuncWnd) or to vector curves (KPdf2CurveFuncWnd): every
// page redrawn into "<title>.pdf".
class RedrawPdfJobs : public PerFileJobBuilder {
public:
    // The curves window refuses documents this long.
    static constexpr int kCurvePageLimit = 401;

    explicit RedrawPdfJobs(bool curves) : curves_(curves) {}

    void Configure(OptionReader&) override {}

protected:
    std::unique_ptr<PlannedJob> PlanFile(const SourceFile& file, PlanContext& context) override;

private:
    const bool curves_;
};

}  // namespace cli
