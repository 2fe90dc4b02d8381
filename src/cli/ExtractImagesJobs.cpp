#include "cli/ExtractImagesJobs.h"

#include "composite/KComplexPdfPickupPic.h"

namespace cli {

std::unique_ptr<PlannedJob> ExtractImagesJobs::PlanFile(const SourceFile& file,
                                                        PlanContext& context) {
    const auto folder =
        context.place.MakeFolder(context.place.FolderFor(file.path), file.Title() + "_图片");
    if (!folder)
        return Refuse(file, "cannot create the picture folder for " + file.label);
    auto job = std::make_unique<PlannedJob>(file.label);
    job->made_folders.push_back(*folder);
    job->result = folder->string();
    const page_text::Range range = pages_.For(file.PageCount());
    job->task = new KComplexPdfPickupPic(file.path, folder->string(), &job->sink, context.services);
    job->task->SetPageCount(file.PageCount());
    job->task->AddPages(range.first, range.last);
    job->task->SetPassword(context.password);
    return job;
}

}  // namespace cli
