#pragma once

#include "cli/JobBuilder.h"

namespace cli {

// The families that make one job per file: a file whose facts the window would show as
// unusable is refused before the family sees it.
class PerFileJobBuilder : public JobBuilder {
public:
    std::vector<std::unique_ptr<PlannedJob>> Plan(const std::vector<SourceFile>& files,
                                                  PlanContext& context) override;

protected:
    virtual std::unique_ptr<PlannedJob> PlanFile(const SourceFile& file, PlanContext& context) = 0;

    // A job whose result is the file `name` in the output folder of `file`, made unique; its
    // path is the job's `result`.
    static std::unique_ptr<PlannedJob> FileJob(const SourceFile& file, PlanContext& context,
                                               const std::string& name);
};

}  // namespace cli
