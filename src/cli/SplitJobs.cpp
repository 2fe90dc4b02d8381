#include "cli/SplitJobs.h"

#include <algorithm>
#include <climits>
#include <filesystem>

#include "composite/KComplexSplitPdf.h"

namespace cli {

void SplitJobs::Configure(OptionReader& options) {
    if (options.Has("pages") && options.Has("every"))
        options.Fail("--pages and --every choose different ways to split; give one of them");
    every_ = options.Clamped("every", 1, INT_MAX, 1);
    if (!options.Has("pages"))
        return;
    ranges_ = page_text::SplitRanges(options.Text("pages"));
    if (ranges_.empty()) {
        options.Fail(std::string("--pages: ") + page_text::kBadRangeMessage +
                     " (ranges A-B separated by commas, e.g. 1-5,6-10)");
    }
}

std::vector<page_text::Range> SplitJobs::EveryNPages(int every, int page_count) {
    std::vector<page_text::Range> ranges;
    for (long long first = 1; first <= page_count; first += every) {
        const long long last = std::min<long long>(first + every - 1, page_count);
        ranges.push_back({static_cast<int>(first), static_cast<int>(last)});
    }
    return ranges;
}

std::unique_ptr<PlannedJob> SplitJobs::PlanFile(const SourceFile& file, PlanContext& context) {
    const auto folder =
        context.place.MakeFolder(context.place.FolderFor(file.path), file.Title() + "_拆分");
    if (!folder)
        return Refuse(file, "cannot create the folder for the parts of " + file.label);
    auto job = std::make_unique<PlannedJob>(file.label);
    job->made_folders.push_back(*folder);
    job->result = folder->string();
    KComplexSplitPdf::Params params;
    params.source = file.path;
    params.output_folder = folder->string();
    const auto ranges = ranges_.empty() ? EveryNPages(every_, file.PageCount()) : ranges_;
    for (const page_text::Range& range : ranges)
        params.ranges.push_back({range.first, range.last});
    auto* task = new KComplexSplitPdf(params, &job->sink, context.services);
    // The parts go to a desktop folder when the chosen one cannot take them.
    job->find_result = [task] {
        return std::filesystem::path(task->GetTargetPath()).parent_path().string();
    };
    job->task = task;
    job->task->SetPageCount(file.PageCount());
    job->task->SetPassword(context.password);
    return job;
}

}  // namespace cli
