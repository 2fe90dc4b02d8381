#include "core/ImageStatsRecord.h"

#include "report/Schemas.h"
#include "report/UsageSender.h"

report::UsageRecord BuildImageStatsRecord(const ImageStats& stats) {
    report::UsageRecord record = report::UsageRecord::ForSchema(report::schemas::kImageInfo);
    record.SetInt("product_id", report::CommonProductId());
    record.SetInt("ver", report::CommonVer());
    record.SetInt("img_num", stats.total_count);
    record.SetString("img_totalpx", stats.total_pixels);
    record.SetString("img_maxpx", stats.max_pixels);
    record.SetInt("result", stats.poll_state);
    record.SetInt("times", stats.total_time);
    record.SetInt("img_type", stats.image_kind);
    record.SetInt("img_w", stats.width);
    record.SetInt("img_h", stats.height);
    record.SetInt("pdf_type", stats.merge_kind);
    record.SetString("file_name", stats.file_name);
    record.SetInt("list_num", stats.current_index);
    record.SetInt("img_times", stats.image_time);
    return record;
}

void SendImageStats(const ImageStats& stats) {
    report::SendUsageRecord(BuildImageStatsRecord(stats), report::SendMode::Queued);
}
