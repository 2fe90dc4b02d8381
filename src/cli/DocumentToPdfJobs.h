#pragma once

#include "cli/PageRangeOption.h"
#include "cli/PerFileJobBuilder.h"

namespace cli {

// Word, Excel, PowerPoint and text files to PDF (KDocument2PdfFuncWnd): on the local core, or
// on the online service in precise mode once uploading is agreed.
class DocumentToPdfJobs : public PerFileJobBuilder {
public:
    void Configure(OptionReader& options) override;
    // A text file counts as one page without asking the core.
    bool NeedsFacts(const std::string& path) const override;

protected:
    std::unique_ptr<PlannedJob> PlanFile(const SourceFile& file, PlanContext& context) override;

private:
    PageRangeOption pages_;
    bool precise_ = false;
};

}  // namespace cli
