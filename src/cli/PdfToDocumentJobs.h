#pragma once

#include "cli/PageRangeOption.h"
#include "cli/PerFileJobBuilder.h"

namespace cli {

// PDF to Word, Excel, PowerPoint or text (KPdf2OtherFuncWnd): tried on the local core, on the
// online service in precise mode or when the local attempt fails and uploading is agreed.
class PdfToDocumentJobs : public PerFileJobBuilder {
public:
    // The window asks before converting this many pages at once.
    static constexpr int kLongRange = 100;
    static constexpr int kPartPages = 50;

    explicit PdfToDocumentJobs(const CliFunction& function);

    void Configure(OptionReader& options) override;

protected:
    std::unique_ptr<PlannedJob> PlanFile(const SourceFile& file, PlanContext& context) override;

private:
    // The TXT window (function code 15) never goes online.
    bool IsText() const { return function_.function_code == 15; }
    // Why the file may not start for want of the upload agreement; empty when it may.
    std::string ConsentProblem(const SourceFile& file, PlanContext& context) const;

    const CliFunction& function_;
    std::string extension_;  // of the chosen output format, with its dot
    PageRangeOption pages_;
    bool precise_ = false;
    bool split_large_ = false;
};

}  // namespace cli
