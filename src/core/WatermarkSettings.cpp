#include "core/WatermarkSettings.h"

void AddWatermarkKeys(Json::Value& record, const WatermarkSettings& settings) {
    record["watermark_type"] = settings.type;
    record["opacity"] = settings.opacity;
    record["vertical_alignment"] = settings.vertical_alignment;
    record["horizontal_alignment"] = settings.horizontal_alignment;
    record["rotate"] = settings.rotation;
    record["is_background"] = settings.background ? 1 : 0;
    record["image_watermark_path"] = settings.image_path;
    record["is_orgin_size"] = settings.original_size ? 1 : 0;
    record["size_scale"] = settings.size_scale;
    record["watermark_text"] = settings.text;
    record["font_size"] = settings.font_size;
    record["font_color_a"] = settings.alpha;
    record["font_color_r"] = settings.red;
    record["font_color_g"] = settings.green;
    record["font_color_b"] = settings.blue;
    record["font"] = settings.font;
    record["multi_line"] = settings.multi_line ? 1 : 0;
}
