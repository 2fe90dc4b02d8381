#include "cli/ImageConvertJobs.h"

#include <algorithm>

#include "composite/KComplexImgReformat.h"
#include "platform/Format.h"
#include "platform/Text.h"

namespace cli {

void ImageConvertJobs::Configure(OptionReader& options) {
    constexpr const char* kFormats[] = {"jpg", "png", "bmp", "gif", "tiff"};
    format_ = kFormats[options.Choice(
        "format", {{"jpg", 0}, {"png", 1}, {"bmp", 2}, {"gif", 3}, {"tiff", 4}}, 0)];
}

std::string ImageConvertJobs::NextName(const std::string& title) {
    const auto same = std::count_if(titles_.begin(), titles_.end(), [&](const std::string& seen) {
        return platform::EqualsIgnoreAsciiCase(seen, title);
    });
    titles_.push_back(title);
    if (same == 0)
        return title + "." + format_;
    return platform::Format("%s_%d.%s", title, static_cast<int>(same) + 1, format_);
}

std::unique_ptr<PlannedJob> ImageConvertJobs::PlanFile(const SourceFile& file,
                                                       PlanContext& context) {
    auto job = FileJob(file, context, NextName(file.Title()));
    job->task = new KComplexImgReformat(file.path, job->result, &job->sink, context.services);
    job->task->AddPages(1, 1);
    return job;
}

}  // namespace cli
