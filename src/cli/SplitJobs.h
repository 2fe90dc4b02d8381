#pragma once

#include <vector>

#include "cli/PageText.h"
#include "cli/PerFileJobBuilder.h"

namespace cli {

// Split (KPdfSplitFuncWnd): the parts of each file go into a new folder "<title>_拆分", one
// part every N pages of the document or one part per typed range.
class SplitJobs : public PerFileJobBuilder {
public:
    void Configure(OptionReader& options) override;

    // Mode "最大页数": (1, N), (N + 1, 2N) … the last part ending at the last page.
    static std::vector<page_text::Range> EveryNPages(int every, int page_count);

protected:
    std::unique_ptr<PlannedJob> PlanFile(const SourceFile& file, PlanContext& context) override;

private:
    std::vector<page_text::Range> ranges_;  // typed ranges; empty in the every-N mode
    int every_ = 1;
};

}  // namespace cli
