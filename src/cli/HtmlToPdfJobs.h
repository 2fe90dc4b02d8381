#pragma once

#include "cli/JobBuilder.h"

namespace cli {

// Web pages to PDF. The window (KHtml2PdfFuncWnd) converts nothing: it is handed an address and
// an output path and waits for a PDF that an outside producer writes there. No such producer
// exists here, so every address is refused with that reason instead of waiting forever.
class HtmlToPdfJobs : public JobBuilder {
public:
    void Configure(OptionReader&) override {}
    bool NeedsFacts(const std::string&) const override { return false; }
    std::vector<std::unique_ptr<PlannedJob>> Plan(const std::vector<SourceFile>& files,
                                                  PlanContext& context) override;
};

}  // namespace cli
