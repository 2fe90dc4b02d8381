#include "cli/PageImageJobs.h"

#include <algorithm>
#include <filesystem>
#include <vector>

#include "composite/KComplexDocumentToImage.h"
#include "composite/KComplexPdfToImage.h"
#include "core/FileTypeCodes.h"
#include "core/NaturalOrder.h"
#include "platform/Format.h"

namespace fs = std::filesystem;

namespace cli {
namespace {

// Paths this long are cut by the system that the windows were made for; the window then shows
// the first picture in the folder instead of naming one.
constexpr std::size_t kLongPath = 260;

// The first picture of `extension` in `folder`, in the order a file manager lists them.
std::string FirstPicture(const fs::path& folder, const std::string& extension) {
    std::vector<std::string> names;
    std::error_code error;
    for (const auto& entry : fs::directory_iterator(folder, error)) {
        if (entry.path().extension() == extension)
            names.push_back(entry.path().filename().string());
    }
    if (names.empty())
        return folder.string();
    return (folder / *std::min_element(names.begin(), names.end(), natural_order::Less)).string();
}

}  // namespace

PageImageJobs::PageImageJobs(int memory_mib) : memory_mib_(memory_mib) {}

void PageImageJobs::Configure(OptionReader& options) {
    image_type_ = options.Choice("format", {{"jpg", 10}, {"png", 11}, {"bmp", 12}}, 10);
    long_image_ = options.Has("long-image");
    pages_per_image_ = options.Choice(
        "pages-per-image", {{"2", 2}, {"4", 4}, {"6", 6}, {"8", 8}, {"10", 10}, {"all", 0}}, 0);
    if (options.Has("pages-per-image") && !long_image_)
        options.Fail("--pages-per-image goes with --long-image");
    scale_percent_ = options.Choice(
        "image-quality", {{"50", 50}, {"100", 100}, {"200", 200}, {"300", 300}, {"400", 400}}, 200);
    if (long_image_ && scale_percent_ > 200)
        options.Fail("--image-quality: long pictures are made at 50, 100 or 200 percent");
    pages_.Configure(options);
}

std::optional<PageImageRequest> PageImageJobs::Fitted(const SourceFile& file,
                                                      const page_text::Range& range,
                                                      PlannedJob& job) const {
    PageImageRequest request;
    request.memory_mib = memory_mib_;
    request.jpg = image_type_ == 10;
    request.long_image = long_image_;
    request.span = range.last - range.first + 1;
    request.pages_per_image = pages_per_image_;
    request.scale_percent = scale_percent_;
    request.width = file.facts.max_width;
    request.height = file.facts.max_height;
    const PageImageFit fit = FitPageImages(request);
    if (fit.refused)
        return std::nullopt;
    if (fit.count_lowered) {
        job.notes.push_back(platform::Format(
            "输出图片过大，无法选择更多页面合成长图 (%d pages per picture)", fit.pages_per_image));
    }
    if (fit.scale_lowered) {
        job.notes.push_back(platform::Format(
            "输出图片过大，无法选择更高品质输出图片 (quality %d%%)", fit.scale_percent));
    }
    request.pages_per_image = fit.pages_per_image;
    request.scale_percent = fit.scale_percent;
    return request;
}

std::unique_ptr<PlannedJob> PageImageJobs::PlanFile(const SourceFile& file, PlanContext& context) {
    auto job = std::make_unique<PlannedJob>(file.label);
    const page_text::Range range = pages_.For(file.PageCount());
    const auto fitted = Fitted(file, range, *job);
    if (!fitted) {
        return Refuse(file, platform::Format("%s页面尺寸过大，请降低输出品质或缩小单页尺寸后重试。",
                                             file.ShortName(15)));
    }
    const auto folder = context.place.MakeFolder(context.place.FolderFor(file.path), file.Title());
    if (!folder)
        return Refuse(file, "cannot create the picture folder for " + file.label);
    job->made_folders.push_back(*folder);

    const std::string extension = "." + file_types::ImageExtension(image_type_);
    job->result =
        (*folder / platform::Format("%s_%d%s", file.Title(), range.first, extension)).string();
    // An Office document's pictures are named after its intermediate PDF, not after the
    // document, so the result is whatever picture comes first.
    const bool office = file_types::LowerExtension(file.path) != "pdf";
    if (long_image_ || office || job->result.size() >= kLongPath) {
        job->find_result = [folder = *folder, extension] {
            return FirstPicture(folder, extension);
        };
    }
    job->task = MakeTask(file, folder->string(), job->result, *fitted, context, *job);
    job->task->SetPageCount(file.PageCount());
    job->task->AddPages(range.first, range.last);
    return job;
}

ICvtTask* PageImageJobs::MakeTask(const SourceFile& file, const std::string& folder,
                                  const std::string& result, const PageImageRequest& fitted,
                                  PlanContext& context, PlannedJob& job) const {
    PageImageOptions images;
    images.image_type = image_type_;
    images.merge = long_image_;
    images.scale = static_cast<float>(fitted.scale_percent) / 100.0f;
    images.pages_per_image = long_image_ ? fitted.pages_per_image : 1;
    if (file_types::LowerExtension(file.path) == "pdf") {
        auto* task = new KComplexPdfToImage({file.path, folder, result, images}, &job.sink,
                                            context.services);
        task->SetPassword(context.password);
        return task;
    }
    return new KComplexDocumentToImage({file.path, folder, images}, &job.sink, context.services);
}

}  // namespace cli
