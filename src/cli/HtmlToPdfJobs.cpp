#include "cli/HtmlToPdfJobs.h"

namespace cli {

std::vector<std::unique_ptr<PlannedJob>> HtmlToPdfJobs::Plan(const std::vector<SourceFile>& files,
                                                             PlanContext&) {
    std::vector<std::unique_ptr<PlannedJob>> jobs;
    for (const SourceFile& file : files) {
        jobs.push_back(Refuse(file,
                              "web pages are turned into PDF by an outside producer, which is not "
                              "available: nothing here can make this PDF"));
    }
    return jobs;
}

}  // namespace cli
