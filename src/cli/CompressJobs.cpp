#include "cli/CompressJobs.h"

#include "composite/KComplexPdfCompress.h"

namespace cli {

void CompressJobs::Configure(OptionReader& options) {
    level_ = options.Choice("level",
                            {{"lossless", 1},
                             {"high", 2},
                             {"standard", 3},
                             {"strongest", 4},
                             {"1", 1},
                             {"2", 2},
                             {"3", 3},
                             {"4", 4}},
                            3);
}

std::unique_ptr<PlannedJob> CompressJobs::PlanFile(const SourceFile& file, PlanContext& context) {
    auto job = FileJob(file, context, file.Title() + "_已压缩.pdf");
    job->task =
        new KComplexPdfCompress(file.path, job->result, level_, &job->sink, context.services);
    job->task->SetPageCount(file.PageCount());
    job->task->SetPassword(context.password);
    return job;
}

}  // namespace cli
