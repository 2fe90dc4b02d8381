#include "convcore/WatermarkTestSupport.h"

#include <algorithm>
#include <climits>
#include <cstdlib>

#include "convcore/CommandDispatcher.h"
#include "convcore/WatermarkCommands.h"
#include "support/TestPdf.h"

namespace watermarktest {
namespace {

// Smaller differences are edge smoothing, not something drawn.
constexpr int kVisibleDifference = 16;

RGBQUAD PixelAt(FIBITMAP* bitmap, int x, int y) {
    RGBQUAD colour{};
    const int row = static_cast<int>(FreeImage_GetHeight(bitmap)) - 1 - y;
    FreeImage_GetPixelColor(bitmap, static_cast<unsigned>(x), static_cast<unsigned>(row), &colour);
    return colour;
}

int Difference(RGBQUAD a, RGBQUAD b) {
    return std::max({std::abs(a.rgbRed - b.rgbRed), std::abs(a.rgbGreen - b.rgbGreen),
                     std::abs(a.rgbBlue - b.rgbBlue)});
}

int Sum(RGBQUAD colour) {
    return colour.rgbRed + colour.rgbGreen + colour.rgbBlue;
}

bool AlmostSameSize(FIBITMAP* a, FIBITMAP* b) {
    const auto close = [](unsigned x, unsigned y) { return x <= y + 1 && y <= x + 1; };
    return a != nullptr && b != nullptr && close(FreeImage_GetWidth(a), FreeImage_GetWidth(b)) &&
           close(FreeImage_GetHeight(a), FreeImage_GetHeight(b));
}

}  // namespace

Json::Value TextRecord(const std::filesystem::path& source, const std::filesystem::path& target,
                       const std::string& text) {
    Json::Value record;
    record["cmd"] = "pdf_add_watermark";
    record["source_path"] = source.string();
    record["target_path"] = target.string();
    record["watermark_type"] = 0;
    record["opacity"] = 100;
    record["vertical_alignment"] = 1;
    record["horizontal_alignment"] = 1;
    record["rotate"] = 0;
    record["is_background"] = 0;
    record["image_watermark_path"] = "";
    record["is_orgin_size"] = 1;
    record["size_scale"] = 50;
    record["watermark_text"] = text;
    record["font_size"] = 40;
    record["font_color_a"] = 255;
    record["font_color_r"] = 0;
    record["font_color_g"] = 0;
    record["font_color_b"] = 0;
    record["font"] = 0;
    record["multi_line"] = 0;
    return record;
}

Json::Value PictureRecord(const std::filesystem::path& source, const std::filesystem::path& target,
                          const std::filesystem::path& picture) {
    Json::Value record = TextRecord(source, target, "");
    record["watermark_type"] = 1;
    record["image_watermark_path"] = picture.string();
    return record;
}

Json::Value AsPreview(Json::Value record, const std::filesystem::path& target) {
    record["cmd"] = "pdf_watermark_preview";
    record["target_path"] = target.string();
    record["preview_width"] = 210;
    record["pages"] = Json::Value(Json::arrayValue);
    record["pages"].append(1);
    record["task_id"] = 666;
    return record;
}

convcore::TaskOutcome RunWatermarkCommand(const Json::Value& record,
                                          convcore::TaskContext& context) {
    convcore::CommandDispatcher dispatcher;
    convcore::RegisterWatermarkCommands(dispatcher);
    return dispatcher.HandlerFor(record)(record, context);
}

Bitmap RenderPage(const std::filesystem::path& pdf, int page, const std::string& password,
                  FIBITMAP* like) {
    const std::filesystem::path image = pdf.string() + ".page.png";
    std::vector<std::string> arguments{"draw", "-q", "-o", image.string()};
    if (like != nullptr)
        arguments.insert(arguments.end(), {"-w", std::to_string(FreeImage_GetWidth(like))});
    else
        arguments.insert(arguments.end(), {"-r", "72"});
    if (!password.empty())
        arguments.insert(arguments.end(), {"-p", password});
    arguments.insert(arguments.end(), {pdf.string(), std::to_string(page)});
    if (!testdocs::RunTool("mutool", arguments))
        return nullptr;
    Bitmap drawn = picturetest::Load(image);
    std::filesystem::remove(image);
    return drawn;
}

Change Compare(FIBITMAP* before, FIBITMAP* after) {
    Change change;
    if (!AlmostSameSize(before, after)) {
        change.pixels = -1;
        return change;
    }
    const int width =
        static_cast<int>(std::min(FreeImage_GetWidth(before), FreeImage_GetWidth(after)));
    const int height =
        static_cast<int>(std::min(FreeImage_GetHeight(before), FreeImage_GetHeight(after)));
    change.box = {INT_MAX, INT_MAX, INT_MIN, INT_MIN};
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            const RGBQUAD a = PixelAt(before, x, y);
            const RGBQUAD b = PixelAt(after, x, y);
            change.darker += Sum(a) - Sum(b);
            if (Difference(a, b) <= kVisibleDifference)
                continue;
            ++change.pixels;
            change.box = {std::min(change.box.left, x), std::min(change.box.top, y),
                          std::max(change.box.right, x + 1), std::max(change.box.bottom, y + 1)};
        }
    }
    if (change.pixels == 0)
        change.box = {};
    return change;
}

int ChangedIn(FIBITMAP* before, FIBITMAP* after, const Region& region) {
    if (!AlmostSameSize(before, after))
        return -1;
    int changed = 0;
    for (int y = region.top; y < region.bottom; ++y) {
        for (int x = region.left; x < region.right; ++x) {
            if (Difference(PixelAt(before, x, y), PixelAt(after, x, y)) > kVisibleDifference)
                ++changed;
        }
    }
    return changed;
}

}  // namespace watermarktest
