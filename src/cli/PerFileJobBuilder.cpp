#include "cli/PerFileJobBuilder.h"

namespace cli {

std::vector<std::unique_ptr<PlannedJob>> PerFileJobBuilder::Plan(
    const std::vector<SourceFile>& files, PlanContext& context) {
    std::vector<std::unique_ptr<PlannedJob>> jobs;
    for (const SourceFile& file : files) {
        const std::string problem =
            NeedsFacts(file.path) ? file.Unusable(!context.password.empty()) : std::string();
        jobs.push_back(problem.empty() ? PlanFile(file, context) : Refuse(file, problem));
    }
    return jobs;
}

std::unique_ptr<PlannedJob> PerFileJobBuilder::FileJob(const SourceFile& file, PlanContext& context,
                                                       const std::string& name) {
    auto job = std::make_unique<PlannedJob>(file.label);
    const auto target = context.place.ClaimFile(context.place.FolderFor(file.path), name);
    job->result = target.string();
    job->target_files.push_back(target);
    return job;
}

}  // namespace cli
