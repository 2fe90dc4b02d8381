#include "cli/DocumentToPdfJobs.h"

#include "composite/KComplexDocumentToPdf.h"
#include "core/FileTypeCodes.h"

namespace cli {

void DocumentToPdfJobs::Configure(OptionReader& options) {
    pages_.Configure(options);
    precise_ = options.Has("precise");
}

bool DocumentToPdfJobs::NeedsFacts(const std::string& path) const {
    return file_types::LowerExtension(path) != "txt";
}

std::unique_ptr<PlannedJob> DocumentToPdfJobs::PlanFile(const SourceFile& file,
                                                        PlanContext& context) {
    if (precise_ && !context.consent.Granted())
        return Refuse(file, UploadConsent::Refusal(""));
    auto job = FileJob(file, context, file.Title() + ".pdf");
    const KComplexDocumentToPdf::Params params{file.path, job->result, precise_};
    const page_text::Range range = pages_.For(file.PageCount());
    job->task = new KComplexDocumentToPdf(params, &job->sink, context.services);
    job->task->SetPageCount(file.PageCount());
    job->task->AddPages(range.first, range.last);
    return job;
}

}  // namespace cli
