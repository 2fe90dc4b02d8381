#pragma once

#include <string>

#include "report/UsageRecord.h"

// What a page-image job has told about its pictures so far, for the image-statistics usage
// record.
struct ImageStats {
    int poll_state = 0;        // 0 running, 1 success, 2 failure, 3 cancelled
    int merge_kind = 1;        // 2 when one tall image was asked for, else 1
    int image_kind = 0;        // 1 jpg, 2 png, 3 bmp
    int current_index = 0;     // "nCurImgIndex"
    int total_count = 0;       // "nImgTotalCount"
    std::string total_pixels;  // "nImgTotalPx", as the core wrote it
    std::string max_pixels;    // "nImgMaxPx", as the core wrote it
    int total_time = 0;        // "nTotalTime"
    int width = 0;             // "nImgW"
    int height = 0;            // "nImgH"
    std::string file_name;     // "strDesFileName"
    int image_time = 0;        // "nCurImgCovTime"
};

// "amber_birchpdf_converter_imginfo:7803".
report::UsageRecord BuildImageStatsRecord(const ImageStats& stats);
// Queued: the record leaves from the reporter's own thread, not the polling one.
void SendImageStats(const ImageStats& stats);
