#pragma once

#include <json/value.h>

#include <filesystem>
#include <string>
#include <vector>

// What a watermark record asks for, read from the keys the watermark dialog fills in.
namespace convcore {

enum class WatermarkKind { kText, kPicture };

// Where a single watermark sits along one page edge: top or left, the middle, bottom or right.
enum class EdgeAlignment { kStart, kMiddle, kEnd };

// The faces of the dialog's font list, by position.
enum class WatermarkFont { kSong, kKai, kYaHei, kArial };

struct Rgba {
    double red = 0;  // each 0..1
    double green = 0;
    double blue = 0;
    double alpha = 1;
};

struct WatermarkOptions {
    WatermarkKind kind = WatermarkKind::kText;
    double opacity = 1;  // 0..1, applied on top of the colour's own alpha
    EdgeAlignment vertical = EdgeAlignment::kMiddle;
    EdgeAlignment horizontal = EdgeAlignment::kMiddle;
    int rotation = 0;         // degrees anticlockwise as the page is seen, 0..359
    bool background = false;  // under the page content
    bool tiled = false;       // repeated in rows over the whole page
    std::string text;         // UTF-8; may hold line breaks
    double font_size = 50;    // points on the page
    WatermarkFont font = WatermarkFont::kSong;
    Rgba colour;
    std::filesystem::path picture;
    bool picture_own_size = false;  // the picture's size at its resolution
    double picture_share = 0.5;     // otherwise its width as a share of the page width
};

// The record's watermark keys; a value outside its range is replaced by its documented
// fallback, with a note saying so in `notes`.
WatermarkOptions ReadWatermarkOptions(const Json::Value& record, std::vector<std::string>* notes);

// Why the options give nothing to draw (no text, no picture chosen); empty when they do.
std::string MissingWatermarkContent(const WatermarkOptions& options);

}  // namespace convcore
