#pragma once

#include <optional>

#include "cli/PerFileJobBuilder.h"

namespace cli {

// Extract pages (KPdfPickupFuncWnd) into "<title>_提取.pdf", or delete pages (KPdfDelFuncWnd)
// into "<title>_删除.pdf": one page, or every page of the typed ranges.
class PickPagesJobs : public PerFileJobBuilder {
public:
    explicit PickPagesJobs(bool delete_pages) : delete_(delete_pages) {}

    void Configure(OptionReader& options) override;

protected:
    std::unique_ptr<PlannedJob> PlanFile(const SourceFile& file, PlanContext& context) override;

private:
    const bool delete_;
    int single_page_ = 1;
    std::optional<std::string> chosen_;  // the typed ranges; unset for a single page
};

}  // namespace cli
