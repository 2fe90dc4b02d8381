#include "cli/RedrawPdfJobs.h"

#include "composite/KComplexPdfToCurve.h"
#include "platform/Format.h"

namespace cli {

std::unique_ptr<PlannedJob> RedrawPdfJobs::PlanFile(const SourceFile& file, PlanContext& context) {
    if (curves_ && file.PageCount() >= kCurvePageLimit) {
        return Refuse(file, platform::Format("%s转换失败，可能是文件或页面过大，请拆分后重试。",
                                             file.ShortName(15)));
    }
    auto job = FileJob(file, context, file.Title() + ".pdf");
    const KComplexPdfToImgPdf::Params params{file.path, job->result};
    if (curves_)
        job->task = new KComplexPdfToCurve(params, &job->sink, context.services);
    else
        job->task = new KComplexPdfToImgPdf(params, &job->sink, context.services);
    job->task->SetPageCount(file.PageCount());
    job->task->SetPassword(context.password);
    return job;
}

}  // namespace cli
