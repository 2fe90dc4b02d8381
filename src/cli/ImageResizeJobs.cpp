#include "cli/ImageResizeJobs.h"

#include "composite/KComplexImgResize.h"
#include "platform/Format.h"
#include "tasks/ImageResizePicture.h"

namespace cli {
namespace {

constexpr int kLargestBox = 99999;  // the boxes take five digits

resize_rule::PixelSize PictureSize(const std::string& path) {
    const auto picture = image_resize::LoadPicture(path);
    return picture ? picture->Size() : resize_rule::PixelSize{};
}

}  // namespace

void ImageResizeJobs::Configure(OptionReader& options) {
    width_given_ = options.Has("width");
    height_given_ = options.Has("height");
    settings_.by_percent = !width_given_ && !height_given_;
    if (!settings_.by_percent && options.Has("percent"))
        options.Fail("--percent and --width/--height choose different ways to resize");
    settings_.percent = options.Clamped("percent", 1, 400, 100);
    settings_.width_box = options.Number("width", 0, kLargestBox, 0);
    settings_.height_box = options.Number("height", 0, kLargestBox, 0);
    settings_.keep_proportions = !options.Has("free-ratio");
    if (settings_.by_percent && !settings_.keep_proportions)
        options.Fail("--free-ratio goes with --width and --height");
    if (settings_.keep_proportions && width_given_ && height_given_)
        options.Fail(
            "--width with --height needs --free-ratio: kept proportions fill the other side");
    format_ = options.Choice("format", {{"jpg", 0}, {"png", 1}}, 0) == 0 ? "jpg" : "png";
}

void ImageResizeJobs::SettleBoxes(resize_rule::PixelSize reference,
                                  std::vector<std::string>* notes) {
    auto settle = [&](bool given, int* box, int reference_side, const char* name) {
        if (!given && settings_.keep_proportions)
            return;
        const int checked = given ? resize_rule::CheckedBox(*box, reference_side) : reference_side;
        if (given && checked != *box) {
            notes->push_back(platform::Format(
                "--%s %d became %d: the box takes 1%%..400%% of the first picture's side", name,
                *box, checked));
        }
        *box = checked;
    };
    settle(width_given_, &settings_.width_box, reference.width, "width");
    settle(height_given_, &settings_.height_box, reference.height, "height");
}

std::vector<std::unique_ptr<PlannedJob>> ImageResizeJobs::Plan(const std::vector<SourceFile>& files,
                                                               PlanContext& context) {
    for (const SourceFile& file : files)
        sizes_[file.path] = PictureSize(file.path);
    std::vector<std::string> notes;
    if (!settings_.by_percent && !files.empty())
        SettleBoxes(sizes_[files.front().path], &notes);
    auto jobs = PerFileJobBuilder::Plan(files, context);
    if (!jobs.empty())
        jobs.front()->notes.insert(jobs.front()->notes.begin(), notes.begin(), notes.end());
    return jobs;
}

std::unique_ptr<PlannedJob> ImageResizeJobs::PlanFile(const SourceFile& file,
                                                      PlanContext& context) {
    auto job = FileJob(file, context, file.Title() + "_已修改." + format_);
    const resize_rule::PixelSize target = resize_rule::TargetOf(sizes_[file.path], settings_);
    job->task = new KComplexImgResize(file.path, job->result, target.width, target.height,
                                      &job->sink, context.services);
    job->task->AddPages(1, 1);
    return job;
}

}  // namespace cli
