#pragma once

#include "cli/PageRangeOption.h"
#include "cli/PerFileJobBuilder.h"

namespace cli {

// The functions that only the online service performs: PDF to CAD (KPdf2CadFuncWnd), CAD to
// PDF (KCad2PdfFuncWnd) and text recognition (KPic2WordWnd). None starts without the upload
// agreement; with it, the task reports plainly when no online service is set up.
class OnlineJobs : public PerFileJobBuilder {
public:
    explicit OnlineJobs(Family family) : family_(family) {}

    void Configure(OptionReader& options) override;
    // Drawings and pictures count as one page without asking the core.
    bool NeedsFacts(const std::string& path) const override;

protected:
    std::unique_ptr<PlannedJob> PlanFile(const SourceFile& file, PlanContext& context) override;

private:
    // The question's prefix for this function.
    std::string_view ConsentPrefix() const;
    ICvtTask* MakeTask(const SourceFile& file, const std::string& target, PlanContext& context,
                       PlannedJob& job) const;

    const Family family_;
    std::string extension_;  // of the result, with its dot
    int background_ = 1;     // CAD to PDF: 1 white, 0 black
    PageRangeOption pages_;
};

}  // namespace cli
