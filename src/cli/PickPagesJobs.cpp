#include "cli/PickPagesJobs.h"

#include <climits>

#include "cli/PageText.h"
#include "composite/KComplexPdfDel.h"
#include "composite/KComplexPdfPickup.h"
#include "platform/Format.h"

namespace cli {

void PickPagesJobs::Configure(OptionReader& options) {
    if (options.Has("page") && options.Has("pages"))
        options.Fail("--page and --pages choose different pages; give one of them");
    single_page_ = options.Number("page", 1, INT_MAX, 1);
    if (!options.Has("pages"))
        return;
    chosen_ = options.Text("pages");
    if (page_text::SplitRanges(*chosen_).empty()) {
        options.Fail(std::string("--pages: ") + page_text::kBadRangeMessage +
                     " (ranges A-B separated by commas, e.g. 2-4,7-7)");
    }
}

std::unique_ptr<PlannedJob> PickPagesJobs::PlanFile(const SourceFile& file, PlanContext& context) {
    const int page_count = file.PageCount();
    const int highest = chosen_ ? page_text::HighestPage(*chosen_) : single_page_;
    if (highest > page_count) {
        return Refuse(file, platform::Format("page %d is beyond the last page of %s (%d)", highest,
                                             file.label, page_count));
    }
    const std::vector<int> pages =
        chosen_ ? page_text::ChosenPages(*chosen_, page_count) : std::vector<int>{single_page_};
    auto job = FileJob(file, context, file.Title() + (delete_ ? "_删除.pdf" : "_提取.pdf"));
    if (delete_)
        job->task = new KComplexPdfDel(file.path, job->result, &job->sink, context.services);
    else
        job->task = new KComplexPdfPickup(file.path, job->result, &job->sink, context.services);
    job->task->SetPageCount(page_count);
    job->task->SetPassword(context.password);
    for (int page : pages)
        job->task->AddPages(page, page);
    return job;
}

}  // namespace cli
