#include "cli/ImageCompressJobs.h"

#include <climits>
#include <filesystem>

#include "composite/KComplexImgCompress.h"

namespace cli {

void ImageCompressJobs::Configure(OptionReader& options) {
    if (options.Has("max-size") && options.Has("percent"))
        options.Fail("--max-size and --percent choose different limits; give one of them");
    // The size box takes four digits; 0 or less becomes its default when it loses the focus.
    size_ = options.Number("max-size", INT_MIN, 9999, kDefaultSize);
    if (size_ <= 0)
        size_ = kDefaultSize;
    unit_kb_ = options.Choice("unit", {{"kb", 1}, {"mb", 1024}}, 1);
    if (options.Has("percent"))
        percent_ = options.Clamped("percent", 10, 90, 50);
    format_ = options.Choice("format", {{"jpg", 0}, {"png", 1}}, 0) == 0 ? "jpg" : "png";
}

int ImageCompressJobs::MaxKilobytes(int size, int unit_kb, int percent, std::int64_t file_bytes) {
    if (percent <= 0)
        return size * unit_kb;
    const float share = static_cast<float>(percent) / 100.0f;
    const auto bytes = static_cast<std::int64_t>(static_cast<float>(file_bytes) * share);
    return static_cast<int>(bytes / 1024);
}

std::unique_ptr<PlannedJob> ImageCompressJobs::PlanFile(const SourceFile& file,
                                                        PlanContext& context) {
    std::error_code error;
    const auto bytes = std::filesystem::file_size(file.path, error);
    const int max_size =
        MaxKilobytes(size_, unit_kb_, percent_, error ? 0 : static_cast<std::int64_t>(bytes));
    auto job = FileJob(file, context, file.Title() + "_已压缩." + format_);
    job->task =
        new KComplexImgCompress(file.path, job->result, max_size, &job->sink, context.services);
    job->task->AddPages(1, 1);
    return job;
}

}  // namespace cli
