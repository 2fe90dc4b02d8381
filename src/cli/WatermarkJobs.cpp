#include "cli/WatermarkJobs.h"

#include <charconv>
#include <filesystem>

#include "composite/KComplexPdfAddWater.h"

namespace cli {
namespace {

constexpr int kTextType = 0;
constexpr int kPictureType = 1;

}  // namespace

void WatermarkJobs::Configure(OptionReader& options) {
    pages_.Configure(options);
    ReadPlacement(options);
    if (options.Has("watermark-image")) {
        if (options.Has("watermark-text"))
            options.Fail("--watermark-text and --watermark-image: a watermark is one or the other");
        ReadPicture(options);
    } else {
        ReadText(options);
    }
}

void WatermarkJobs::ReadText(OptionReader& options) {
    settings_.type = kTextType;
    settings_.text = options.Text("watermark-text");
    if (settings_.text.empty())
        options.Fail("--watermark-text: 请输入水印文字");
    if (options.Has("scale"))
        options.Fail("--scale sizes a picture watermark (--watermark-image)");
    settings_.font = options.Choice("font",
                                    {{"song", 0},
                                     {"宋体", 0},
                                     {"kai", 1},
                                     {"楷体", 1},
                                     {"yahei", 2},
                                     {"微软雅黑", 2},
                                     {"arial", 3}},
                                    0);
    settings_.font_size = options.Number("font-size", 1, 91, 50);
    ReadColor(options);
}

void WatermarkJobs::ReadPicture(OptionReader& options) {
    settings_.type = kPictureType;
    settings_.image_path = options.Text("watermark-image");
    std::error_code error;
    if (settings_.image_path.empty())
        options.Fail("--watermark-image: 请添加水印图片");
    else if (!std::filesystem::is_regular_file(settings_.image_path, error))
        options.Fail("--watermark-image: 请添加水印图片 (no picture at " + settings_.image_path +
                     ")");
    else
        settings_.image_path = std::filesystem::absolute(settings_.image_path, error).string();
    settings_.original_size = !options.Has("scale");
    settings_.size_scale = options.Number("scale", 1, 1000, 0);
}

void WatermarkJobs::ReadColor(OptionReader& options) {
    std::string text = options.Text("color", "000000");
    if (text.starts_with('#'))
        text.erase(0, 1);
    unsigned value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value, 16);
    if (text.size() != 6 || error != std::errc() || end != text.data() + text.size()) {
        options.Fail("--color: '" + options.Text("color") + "' is not RRGGBB");
        return;
    }
    settings_.red = static_cast<int>((value >> 16) & 0xFF);
    settings_.green = static_cast<int>((value >> 8) & 0xFF);
    settings_.blue = static_cast<int>(value & 0xFF);
    settings_.alpha = 255;
}

void WatermarkJobs::ReadPlacement(OptionReader& options) {
    settings_.opacity =
        options.Choice("opacity", {{"100", 100}, {"75", 75}, {"50", 50}, {"25", 25}}, 100);
    settings_.rotation = options.Choice(
        "rotate", {{"0", 0}, {"45", 45}, {"90", 90}, {"180", 180}, {"270", 270}, {"-45", -45}}, 0);
    // Vertical then horizontal alignment, each 0 top or left, 1 middle, 2 bottom or right.
    const int position = options.Choice("position",
                                        {{"top-left", 0},
                                         {"top", 1},
                                         {"top-right", 2},
                                         {"left", 3},
                                         {"center", 4},
                                         {"right", 5},
                                         {"bottom-left", 6},
                                         {"bottom", 7},
                                         {"bottom-right", 8}},
                                        4);
    settings_.vertical_alignment = position / 3;
    settings_.horizontal_alignment = position % 3;
    settings_.background = options.Has("below");
    settings_.multi_line = options.Has("multi-line");
}

std::unique_ptr<PlannedJob> WatermarkJobs::PlanFile(const SourceFile& file, PlanContext& context) {
    auto job = FileJob(file, context, file.Title() + "_水印.pdf");
    const page_text::Range range = pages_.For(file.PageCount());
    job->task =
        new KComplexPdfAddWater(file.path, job->result, settings_, &job->sink, context.services);
    job->task->SetPageCount(file.PageCount());
    job->task->AddPages(range.first, range.last);
    job->task->SetPassword(context.password);
    return job;
}

}  // namespace cli
