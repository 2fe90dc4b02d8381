#pragma once

#include "cli/FileOrder.h"
#include "cli/JobBuilder.h"
#include "core/KOthersToPdf.h"

namespace cli {

// Pictures to PDF (KImage2PdfFuncWnd): one PDF per picture, or all of them merged into
// "<first title>_合并.pdf" in display order.
class ImageToPdfJobs : public JobBuilder {
public:
    void Configure(OptionReader& options) override;
    bool NeedsFacts(const std::string&) const override { return false; }
    std::vector<std::unique_ptr<PlannedJob>> Plan(const std::vector<SourceFile>& files,
                                                  PlanContext& context) override;

private:
    std::unique_ptr<PlannedJob> PlanPictures(const std::vector<SourceFile>& pictures,
                                             PlanContext& context);

    bool merge_ = false;
    FileOrder order_ = FileOrder::kAsGiven;
    KOthersToPdf::ImagePages pages_;
};

}  // namespace cli
