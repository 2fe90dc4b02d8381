#include "convcore/WatermarkOptions.h"

#include <algorithm>

#include "convcore/RecordFields.h"
#include "platform/Format.h"

namespace convcore {
namespace {

constexpr int kPictureType = 1;
constexpr int kDefaultFontSize = 50;  // where the dialog's slider starts
constexpr int kLargestFontSize = 1000;
constexpr int kDefaultSizeScale = 50;
constexpr int kLargestSizeScale = 1000;
constexpr int kFontCount = 4;

// A value that must lie in [low, high]; `fallback` (with a note) when it does not.
int Bounded(const Json::Value& record, const char* key, int low, int high, int fallback,
            std::vector<std::string>* notes) {
    const int value = IntField(record, key, fallback);
    if (value >= low && value <= high)
        return value;
    notes->push_back(platform::Format("watermark %s %d is outside %d..%d; %d is used", key, value,
                                      low, high, fallback));
    return fallback;
}

EdgeAlignment ReadAlignment(const Json::Value& record, const char* key,
                            std::vector<std::string>* notes) {
    return static_cast<EdgeAlignment>(Bounded(record, key, 0, 2, 1, notes));
}

double ColourChannel(const Json::Value& record, const char* key, int fallback) {
    return std::clamp(IntField(record, key, fallback), 0, 255) / 255.0;
}

int NormalisedDegrees(int degrees) {
    return (degrees % 360 + 360) % 360;
}

void ReadText(const Json::Value& record, WatermarkOptions* options,
              std::vector<std::string>* notes) {
    options->text = TextField(record, "watermark_text");
    options->font_size = Bounded(record, "font_size", 1, kLargestFontSize, kDefaultFontSize, notes);
    options->font =
        static_cast<WatermarkFont>(Bounded(record, "font", 0, kFontCount - 1, 0, notes));
    options->colour = {
        ColourChannel(record, "font_color_r", 0), ColourChannel(record, "font_color_g", 0),
        ColourChannel(record, "font_color_b", 0), ColourChannel(record, "font_color_a", 255)};
}

void ReadPicture(const Json::Value& record, WatermarkOptions* options,
                 std::vector<std::string>* notes) {
    options->picture = TextField(record, "image_watermark_path");
    options->picture_own_size = IntField(record, "is_orgin_size", 0) != 0;
    if (!options->picture_own_size) {
        options->picture_share =
            Bounded(record, "size_scale", 1, kLargestSizeScale, kDefaultSizeScale, notes) / 100.0;
    }
}

}  // namespace

WatermarkOptions ReadWatermarkOptions(const Json::Value& record, std::vector<std::string>* notes) {
    WatermarkOptions options;
    options.kind = IntField(record, "watermark_type", 0) == kPictureType ? WatermarkKind::kPicture
                                                                         : WatermarkKind::kText;
    options.opacity = Bounded(record, "opacity", 0, 100, 100, notes) / 100.0;
    options.vertical = ReadAlignment(record, "vertical_alignment", notes);
    options.horizontal = ReadAlignment(record, "horizontal_alignment", notes);
    options.rotation = NormalisedDegrees(IntField(record, "rotate", 0));
    options.background = IntField(record, "is_background", 0) != 0;
    options.tiled = IntField(record, "multi_line", 0) != 0;
    if (options.kind == WatermarkKind::kPicture)
        ReadPicture(record, &options, notes);
    else
        ReadText(record, &options, notes);
    return options;
}

std::string MissingWatermarkContent(const WatermarkOptions& options) {
    if (options.kind == WatermarkKind::kPicture)
        return options.picture.empty() ? "no watermark picture was chosen" : std::string();
    const bool blank = std::all_of(options.text.begin(), options.text.end(), [](char c) {
        return c == ' ' || c == '\t' || c == '\r' || c == '\n';
    });
    return blank ? "no watermark text was given" : std::string();
}

}  // namespace convcore
