#pragma once

#include <json/value.h>

#include <string>

// What the watermark dialog fills in, in the dialog's order.
struct WatermarkSettings {
    int type = 0;
    int opacity = 100;  // percent: 100, 75, 50 or 25
    int vertical_alignment = 0;
    int horizontal_alignment = 0;
    int rotation = 0;         // degrees
    bool background = false;  // under the page content
    std::string image_path;
    bool original_size = false;  // the picture keeps its own size instead of following the page
    int size_scale = 0;
    std::string text;
    int font_size = 0;
    int font = 0;  // position in the dialog's font list
    int alpha = 255;
    int red = 0;
    int green = 0;
    int blue = 0;
    bool multi_line = false;
};

// Adds the watermark keys to a "pdf_add_watermark" or "pdf_watermark_preview" record.
void AddWatermarkKeys(Json::Value& record, const WatermarkSettings& settings);
