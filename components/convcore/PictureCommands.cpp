#include "convcore/PictureCommands.h"

#include <algorithm>
#include <cstdint>
#include <filesystem>
#include <system_error>
#include <vector>

#include "convcore/PendingOutput.h"
#include "convcore/PictureCodec.h"
#include "convcore/PictureCompress.h"
#include "convcore/PicturePdf.h"
#include "convcore/RecordFields.h"
#include "platform/Format.h"

namespace convcore {
namespace {

namespace fs = std::filesystem;

constexpr int kLargestSide = 65500;  // what JPEG can store
constexpr std::int64_t kMostPixels = 200'000'000;
constexpr int kDefaultPdfQuality = 75;
constexpr int kLowestPdfQuality = 10;
constexpr int kLosslessQuality = 100;
constexpr std::uint64_t kKilobyte = 1024;

struct ToolPaths {
    fs::path source;
    fs::path target;
    FREE_IMAGE_FORMAT format = FIF_UNKNOWN;
};

std::string TargetFolderProblem(const fs::path& target) {
    if (target.empty())
        return "no target_path given";
    const fs::path folder = target.has_parent_path() ? target.parent_path() : fs::path(".");
    std::error_code failure;
    if (!fs::is_directory(folder, failure))
        return "target folder not found: " + folder.string();
    return {};
}

std::string ReadToolPaths(const Json::Value& record, ToolPaths* paths) {
    paths->source = TextField(record, "source_path");
    paths->target = TextField(record, "target_path");
    std::string problem = CheckPictureFile(paths->source);
    if (!problem.empty())
        return problem;
    problem = TargetFolderProblem(paths->target);
    if (!problem.empty())
        return problem;
    paths->format = TargetPictureFormat(paths->target);
    if (paths->format == FIF_UNKNOWN)
        return "cannot write pictures of this type: " + paths->target.filename().string();
    return {};
}

TaskOutcome Commit(PendingOutput& output, std::string note) {
    std::string error;
    if (!output.Commit(&error))
        return TaskOutcome::Failure(error);
    return TaskOutcome::Success(std::move(note));
}

TaskOutcome Deliver(const fs::path& target, std::string_view bytes, std::string note = {}) {
    PendingOutput output(target);
    if (!WriteFileBytes(output.WorkPath(), bytes))
        return TaskOutcome::Failure("cannot write " + target.string());
    return Commit(output, std::move(note));
}

// The source itself is the answer: copied, so that nothing is decoded and re-encoded.
TaskOutcome DeliverCopy(const fs::path& source, const fs::path& target, std::string note = {}) {
    PendingOutput output(target);
    std::error_code failure;
    fs::copy_file(source, output.WorkPath(), fs::copy_options::overwrite_existing, failure);
    if (failure)
        return TaskOutcome::Failure("cannot write " + target.string() + ": " + failure.message());
    return Commit(output, std::move(note));
}

TaskOutcome DeliverPicture(FIBITMAP* bitmap, const ToolPaths& paths) {
    const Bitmap prepared = PrepareForFormat(bitmap, paths.format);
    const std::string bytes =
        prepared ? EncodePicture(prepared.get(), paths.format, DefaultSaveFlags(paths.format))
                 : std::string();
    if (bytes.empty())
        return TaskOutcome::Failure("cannot encode the picture as " +
                                    paths.target.extension().string());
    return Deliver(paths.target, bytes);
}

std::string SizeProblem(int width, int height) {
    if (width <= 0 || height <= 0)
        return platform::Format("invalid picture size %dx%d", width, height);
    if (width > kLargestSide || height > kLargestSide ||
        static_cast<std::int64_t>(width) * height > kMostPixels)
        return platform::Format("picture size %dx%d is too large", width, height);
    return {};
}

TaskOutcome ResizePicture(const Json::Value& record, TaskContext& context) {
    ToolPaths paths;
    std::string problem = ReadToolPaths(record, &paths);
    const int width = IntField(record, "width", 0);
    const int height = IntField(record, "height", 0);
    if (problem.empty())
        problem = SizeProblem(width, height);
    if (!problem.empty())
        return TaskOutcome::Failure(problem);
    const Bitmap picture = LoadPicture(paths.source, Orientation::kUpright, &problem);
    if (!picture)
        return TaskOutcome::Failure(problem);
    context.SetProgress(40);
    if (context.IsCancelled())
        return TaskOutcome::Failure("cancelled");
    const Bitmap resized(FreeImage_Rescale(picture.get(), width, height, FILTER_LANCZOS3));
    if (!resized)
        return TaskOutcome::Failure("cannot resize the picture");
    context.SetProgress(80);
    if (context.IsCancelled())
        return TaskOutcome::Failure("cancelled");
    return DeliverPicture(resized.get(), paths);
}

TaskOutcome ReformatPicture(const Json::Value& record, TaskContext& context) {
    ToolPaths paths;
    std::string problem = ReadToolPaths(record, &paths);
    if (!problem.empty())
        return TaskOutcome::Failure(problem);
    // Decoded even when it is only copied: a damaged picture is refused, not passed on.
    const Bitmap picture = LoadPicture(paths.source, Orientation::kUpright, &problem);
    if (!picture)
        return TaskOutcome::Failure(problem);
    if (PictureFormatOf(paths.source) == paths.format)
        return DeliverCopy(paths.source, paths.target);
    context.SetProgress(50);
    if (context.IsCancelled())
        return TaskOutcome::Failure("cancelled");
    return DeliverPicture(picture.get(), paths);
}

std::uint64_t WholeKilobytes(std::uint64_t bytes) {
    return (bytes + kKilobyte - 1) / kKilobyte;
}

TaskOutcome CompressPictureFile(const Json::Value& record, TaskContext& context) {
    ToolPaths paths;
    const std::string problem = ReadToolPaths(record, &paths);
    if (!problem.empty())
        return TaskOutcome::Failure(problem);
    const int max_kilobytes = IntField(record, "max_size", 0);
    if (max_kilobytes <= 0)
        return TaskOutcome::Failure("max_size must be a positive number of kilobytes");
    if (!CanCompressTo(paths.format))
        return TaskOutcome::Failure("pictures can be compressed to JPEG, PNG or WebP only");
    CompressRequest request;
    request.source = paths.source;
    request.format = paths.format;
    request.max_bytes = static_cast<std::uint64_t>(max_kilobytes) * kKilobyte;
    request.cancelled = [&context] { return context.IsCancelled(); };
    CompressResult result = CompressPicture(request);
    if (!result.error.empty())
        return TaskOutcome::Failure(result.error);
    if (context.IsCancelled())
        return TaskOutcome::Failure("cancelled");
    // The limit is a wish: when it cannot be met, the smallest picture is still worth having.
    std::string note;
    if (!result.fits)
        note = platform::Format("could not compress to %d KB; the smallest result is %d KB",
                                max_kilobytes, static_cast<int>(WholeKilobytes(result.size)));
    if (result.keep_source)
        return DeliverCopy(paths.source, paths.target, std::move(note));
    return Deliver(paths.target, result.bytes, std::move(note));
}

std::vector<fs::path> PathList(const Json::Value& record, const char* key) {
    std::vector<fs::path> paths;
    const Json::Value& list = record.isObject() ? record[key] : Json::Value::nullSingleton();
    if (!list.isArray())
        return paths;
    for (const Json::Value& entry : list)
        paths.emplace_back(entry.isString() ? entry.asString() : std::string());
    return paths;
}

PageOptions PageOptionsOf(const Json::Value& record) {
    PageOptions options;
    switch (IntField(record, "page_size", 0)) {
        case 1:
            options.paper = PaperChoice::kA3;
            break;
        case 2:
            options.paper = PaperChoice::kA4;
            break;
        default:
            options.paper = PaperChoice::kPicture;
    }
    options.landscape = IntField(record, "page_direction", 0) == 1;
    switch (IntField(record, "page_margin", 0)) {
        case 1:
            options.margin = MarginChoice::kNarrow;
            break;
        case 2:
            options.margin = MarginChoice::kWide;
            break;
        default:
            options.margin = MarginChoice::kNone;
    }
    return options;
}

TaskOutcome ImagesToPdf(const Json::Value& record, TaskContext& context) {
    const fs::path target = TextField(record, "target_path");
    const std::string problem = TargetFolderProblem(target);
    if (!problem.empty())
        return TaskOutcome::Failure(problem);
    ImagesToPdfRequest request;
    request.images = PathList(record, "images");
    request.page = PageOptionsOf(record);
    const int quality = IntField(record, "image_quality", kDefaultPdfQuality);
    // 100 is the window's "keep the pictures as they are", whatever the flag says.
    request.recompress = IntField(record, "compress", 0) != 0 && quality < kLosslessQuality;
    request.quality = std::clamp(quality, kLowestPdfQuality, kLosslessQuality);
    request.cancelled = [&context] { return context.IsCancelled(); };
    request.progress = [&context](int percent) { context.SetProgress(percent); };
    PendingOutput output(target);
    std::string error;
    if (!WriteImagesPdf(request, output.WorkPath(), &error))
        return TaskOutcome::Failure(error);
    return Commit(output, {});
}

}  // namespace

void RegisterPictureCommands(CommandDispatcher& dispatcher) {
    dispatcher.Register("image_resize", ResizePicture);
    dispatcher.Register("image_compress", CompressPictureFile);
    dispatcher.Register("image_reformat", ReformatPicture);
    dispatcher.Register("jpg_to_pdf", ImagesToPdf);
}

}  // namespace convcore
