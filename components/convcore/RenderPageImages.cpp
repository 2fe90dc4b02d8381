#include "convcore/RenderPageImages.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdint>
#include <filesystem>

#include "convcore/RecordFields.h"
#include "convcore/RenderBands.h"
#include "convcore/RenderDocument.h"
#include "convcore/RenderOutputs.h"
#include "platform/Format.h"

namespace convcore {
namespace {

using Clock = std::chrono::steady_clock;

constexpr int kJpegQuality = 90;
constexpr double kDefaultScale = 2.0;
constexpr double kPointsPerInch = 72.0;
// Less than the default MuPDF budget: the resource store takes a quarter, and a long
// document must not grow the core past a few hundred MiB while it caches fonts and images.
constexpr std::size_t kMemoryLimit = std::size_t{512} << 20;

int ElapsedMs(Clock::time_point since) {
    return static_cast<int>(
        std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - since).count());
}

// The counters the program reads back after every image.
struct ImageCounters {
    int written = 0;
    int total = 0;
    std::int64_t total_pixels = 0;
    std::int64_t max_pixels = 0;
    Clock::time_point start = Clock::now();

    void Report(TaskContext& context, int width, int height, const std::filesystem::path& file,
                int image_ms) {
        const std::int64_t pixels = static_cast<std::int64_t>(width) * height;
        ++written;
        total_pixels += pixels;
        max_pixels = std::max(max_pixels, pixels);
        context.Report("nCurImgIndex", written);
        context.Report("nImgTotalCount", total);
        context.Report("nImgTotalPx", std::to_string(total_pixels));
        context.Report("nImgMaxPx", std::to_string(max_pixels));
        context.Report("nTotalTime", ElapsedMs(start));
        context.Report("nImgW", width);
        context.Report("nImgH", height);
        context.Report("strDesFileName", file.string());
        context.Report("nCurImgCovTime", image_ms);
    }
};

struct ImageRequest {
    std::filesystem::path folder;
    ImageFormat format = ImageFormat::kPng;
    float scale = 0;
};

// Writes the images of one task; pages are loaded when measured and again when drawn, so only
// one page is held at a time however many an image stacks.
class PageImageJob {
public:
    PageImageJob(const RenderDocument& document, const ImageRequest& request, TaskContext& context,
                 int page_total)
        : document_(document),
          request_(request),
          context_(context),
          cookie_(context),
          page_total_(page_total) {}

    bool Write(const std::vector<std::vector<int>>& groups, std::string* error) {
        counters_.total = static_cast<int>(groups.size());
        context_.Report("nImgTotalCount", counters_.total);
        for (const std::vector<int>& group : groups) {
            if (!WriteImage(group, error))
                return false;
        }
        return outputs_.CommitAll(error);
    }

private:
    bool Measure(const std::vector<int>& group, std::vector<PagePlacement>* placements,
                 std::string* error) {
        for (const int index : group) {
            PageHandle page(document_.Context());
            PagePlacement placement;
            if (!document_.LoadPage(index, &page, error) ||
                !PlacePage(document_.Context(), page.Get(), request_.scale, &placement, error))
                return false;
            placements->push_back(placement);
        }
        return true;
    }

    bool WriteImage(const std::vector<int>& group, std::string* error) {
        const Clock::time_point started = Clock::now();
        std::vector<PagePlacement> placements;
        if (!Measure(group, &placements, error))
            return false;
        std::int64_t width = 0;
        std::int64_t height = 0;
        for (const PagePlacement& placement : placements) {
            width = std::max<std::int64_t>(width, placement.Width());
            height += placement.Height();
        }
        if (!FitsFormat(request_.format, width, height, error))
            return false;
        const std::filesystem::path target =
            request_.folder / PageImageName(document_.Title(), group, request_.format);
        auto writer = MakeImageFileWriter(request_.format, document_.Context(), kJpegQuality);
        const int dpi = static_cast<int>(std::lround(request_.scale * kPointsPerInch));
        if (!writer->Open(outputs_.Add(target), static_cast<int>(width), static_cast<int>(height),
                          dpi, error))
            return false;
        const RowSink sink = [&writer](const unsigned char* rows, std::ptrdiff_t stride, int count,
                                       std::string* failure) {
            return writer->WriteRows(rows, stride, count, failure);
        };
        for (std::size_t member = 0; member < group.size(); ++member) {
            if (!DrawPage(group[member], placements[member], static_cast<int>(width), sink, error))
                return false;
        }
        if (!writer->Close(error))
            return false;
        counters_.Report(context_, static_cast<int>(width), static_cast<int>(height), target,
                         ElapsedMs(started));
        return true;
    }

    bool DrawPage(int index, const PagePlacement& measured, int canvas_width, const RowSink& sink,
                  std::string* error) {
        if (cookie_.Cancelled()) {
            *error = "cancelled";
            return false;
        }
        fz_context* context = document_.Context();
        PageHandle page(context);
        PagePlacement placement;
        if (!document_.LoadPage(index, &page, error) ||
            !PlacePage(context, page.Get(), request_.scale, &placement, error))
            return false;
        // The image's size was fixed from the first measurement; a page must not change it.
        if (placement.Width() != measured.Width() || placement.Height() != measured.Height()) {
            *error = platform::Format("page %d changed its size while drawn", index + 1);
            return false;
        }
        if (!DrawPageRows(context, page.Get(), placement, canvas_width, cookie_.Get(), sink, error))
            return false;
        context_.SetProgress(static_cast<int>(++pages_drawn_ * 100LL / page_total_));
        return true;
    }

    const RenderDocument& document_;
    const ImageRequest& request_;
    TaskContext& context_;
    CancelCookie cookie_;
    OutputSet outputs_;
    ImageCounters counters_;
    int page_total_;
    int pages_drawn_ = 0;
};

bool ReadScale(const Json::Value& record, float* scale, std::string* error) {
    const Json::Value& value = record["scale"];
    const double wanted = value.isNull() ? kDefaultScale : value.isNumeric() ? value.asDouble() : 0;
    if (!std::isfinite(wanted) || wanted <= 0) {
        *error = "the scale must be a number above 0";
        return false;
    }
    *scale = static_cast<float>(wanted);
    return true;
}

}  // namespace

std::vector<std::vector<int>> GroupPages(const std::vector<int>& pages, bool merge,
                                         int pages_per_image) {
    const std::size_t size = !merge                 ? 1
                             : pages_per_image <= 0 ? pages.size()
                                                    : static_cast<std::size_t>(pages_per_image);
    std::vector<std::vector<int>> groups;
    for (std::size_t first = 0; first < pages.size(); first += size) {
        const std::size_t last = std::min(pages.size(), first + size);
        groups.emplace_back(pages.begin() + static_cast<std::ptrdiff_t>(first),
                            pages.begin() + static_cast<std::ptrdiff_t>(last));
    }
    return groups;
}

std::string PageImageName(const std::string& title, const std::vector<int>& group,
                          ImageFormat format) {
    if (group.size() == 1)
        return platform::Format("%s_%d%s", title, group.front() + 1, ExtensionOf(format));
    return platform::Format("%s_%d-%d%s", title, group.front() + 1, group.back() + 1,
                            ExtensionOf(format));
}

TaskOutcome ConvertPagesToImages(const Json::Value& record, ImageFormat format,
                                 TaskContext& context) {
    ImageRequest request;
    request.format = format;
    request.folder = TextField(record, "target_path");
    std::string error;
    if (!ReadScale(record, &request.scale, &error))
        return TaskOutcome::Failure(error);
    std::vector<int> pages;
    const auto document = OpenRecordSource(record, &pages, &error, kMemoryLimit);
    if (document == nullptr)
        return TaskOutcome::Failure(error);
    OutputFolder folder(request.folder);
    if (!folder.Prepare(&error))
        return TaskOutcome::Failure(error);
    const auto groups =
        GroupPages(pages, IntField(record, "merge", 0) != 0, IntField(record, "pagePerImage", 0));
    PageImageJob job(*document, request, context, static_cast<int>(pages.size()));
    if (!job.Write(groups, &error))
        return TaskOutcome::Failure(context.IsCancelled() ? "cancelled" : error);
    folder.Keep();
    return TaskOutcome::Success();
}

}  // namespace convcore
