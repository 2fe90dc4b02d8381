#include "cli/ImageToPdfJobs.h"

#include "composite/KComplexImageToPdf.h"
#include "platform/Format.h"
#include "tasks/ImageResizePicture.h"

namespace cli {
namespace {

constexpr char kDamaged[] = "部分图片已损坏，无法添加";

std::string MergedLabel(const std::vector<SourceFile>& pictures) {
    if (pictures.size() == 1)
        return pictures.front().label;
    return platform::Format("%s (+%d more)", pictures.front().label,
                            static_cast<int>(pictures.size()) - 1);
}

}  // namespace

void ImageToPdfJobs::Configure(OptionReader& options) {
    merge_ = options.Has("merge");
    order_ = ReadFileOrder(options);
    pages_.quality = options.Choice(
        "quality", {{"lossless", 100}, {"high", 75}, {"normal", 50}, {"strong", 25}}, 100);
    pages_.compress = pages_.quality != 100;
    pages_.page_size = options.Choice("page-size", {{"own", 0}, {"a3", 1}, {"a4", 2}}, 0);
    pages_.direction = options.Choice("direction", {{"portrait", 0}, {"landscape", 1}}, 0);
    pages_.margin = options.Choice("margin", {{"none", 0}, {"narrow", 1}, {"wide", 2}}, 0);
}

std::vector<std::unique_ptr<PlannedJob>> ImageToPdfJobs::Plan(const std::vector<SourceFile>& files,
                                                              PlanContext& context) {
    std::vector<std::unique_ptr<PlannedJob>> jobs;
    std::vector<SourceFile> pictures;
    // As the window's loader: a picture that cannot be decoded is not added.
    for (const SourceFile& file : files) {
        if (image_resize::LoadPicture(file.path))
            pictures.push_back(file);
        else
            jobs.push_back(Refuse(file, kDamaged));
    }
    SortFiles(pictures, order_);
    if (merge_ && !pictures.empty()) {
        jobs.push_back(PlanPictures(pictures, context));
        return jobs;
    }
    for (const SourceFile& picture : pictures)
        jobs.push_back(PlanPictures({picture}, context));
    return jobs;
}

std::unique_ptr<PlannedJob> ImageToPdfJobs::PlanPictures(const std::vector<SourceFile>& pictures,
                                                         PlanContext& context) {
    const SourceFile& first = pictures.front();
    auto job = std::make_unique<PlannedJob>(MergedLabel(pictures));
    KComplexImageToPdf::Params params;
    for (const SourceFile& picture : pictures)
        params.images.push_back(picture.path);
    const std::string name = first.Title() + (merge_ ? "_合并" : "") + ".pdf";
    params.target = context.place.ClaimFile(context.place.FolderFor(first.path), name).string();
    params.pages = pages_;
    job->result = params.target;
    job->target_files.push_back(params.target);
    job->task = new KComplexImageToPdf(params, &job->sink, context.services);
    return job;
}

}  // namespace cli
