#include "report/ResultRecord.h"

#include <algorithm>
#include <limits>

#include "platform/Format.h"
#include "report/FileNameEncoding.h"
#include "report/FileTypes.h"
#include "report/Schemas.h"
#include "report/UsageSender.h"

namespace report {
namespace {

constexpr int kRecordVersion = 1;
constexpr int kServerLocal = 2;
constexpr int kServerOther = 1;

// Sizes and durations are 64-bit; the record's fields are 32-bit, so values past the range
// stop at its ends rather than wrapping.
std::int32_t ClampToInt(std::int64_t value) {
    constexpr std::int64_t kMin = std::numeric_limits<std::int32_t>::min();
    constexpr std::int64_t kMax = std::numeric_limits<std::int32_t>::max();
    return static_cast<std::int32_t>(std::clamp(value, kMin, kMax));
}

bool CanMoveOnline(ResultWindow window) {
    return window == ResultWindow::PdfToDocument || window == ResultWindow::DocumentToPdf ||
           window == ResultWindow::PdfToImage || window == ResultWindow::OfficeToImages;
}

bool IsPictureTool(ResultWindow window) {
    return window == ResultWindow::PictureCompress || window == ResultWindow::PictureResize ||
           window == ResultWindow::ChangeFormat || window == ResultWindow::TextRecognition;
}

int ResultCode(const TaskResultFacts& facts) {
    if (facts.cancelled)
        return 3;
    return facts.result == 1 ? 1 : 2;
}

struct RunTime {
    std::int64_t milliseconds;
    int server;
};

RunTime RunTimeOf(const TaskResultFacts& facts) {
    const TaskTimes& t = facts.times;
    if (CanMoveOnline(facts.window)) {
        if (facts.result < 0)
            return {t.phase - t.start, kServerLocal};
        return {t.end - t.phase, facts.is_local != 0 ? kServerLocal : kServerOther};
    }
    const bool local_tool =
        facts.window == ResultWindow::ImageToPdf || facts.window == ResultWindow::PdfPageTool;
    return {t.end - t.phase, local_tool ? kServerLocal : kServerOther};
}

int CompressionRatio(const TaskResultFacts& facts) {
    if (facts.compression_ratio != 0)
        return facts.compression_ratio;
    if (facts.source_size == 0)
        return 0;
    return ClampToInt(facts.output_size * 100 / facts.source_size);
}

std::string PictureSizeText(const PictureDimensions& size) {
    return platform::Format("%d*%d", size.width, size.height);
}

void SetImageToPdfFields(UsageRecord& record, const ImageToPdfChoices& choices) {
    record.SetInt("paper", choices.paper_index + 1);
    record.SetInt("direction", choices.direction_index + 1);
    record.SetInt("margin", choices.margin_index + 1);
    record.SetInt("compression", 5 - choices.picture_quality / 25);
    record.SetInt("item3", choices.item3_flag ? 2 : 1);
}

void SetSizeTexts(UsageRecord& record, const TaskResultFacts& facts) {
    record.SetString("src_file_size", platform::Format("%I64d", facts.source_size));
    record.SetString("dst_file_size", platform::Format("%I64d", facts.output_size));
}

void SetWindowFields(UsageRecord& record, const TaskResultFacts& facts) {
    switch (facts.window) {
        case ResultWindow::ImageToPdf:
            SetImageToPdfFields(record, facts.image_to_pdf);
            break;
        case ResultWindow::PdfPageTool:
            SetSizeTexts(record, facts);
            break;
        case ResultWindow::PictureCompress:
            SetSizeTexts(record, facts);
            record.SetInt("targetsize", facts.target_size_kb);
            break;
        case ResultWindow::PictureResize:
            record.SetString("asize", PictureSizeText(facts.source_picture));
            record.SetString("bsize", PictureSizeText(facts.target_picture));
            break;
        case ResultWindow::ChangeFormat:
            record.SetString("picture_format", FileExtension(facts.source_path));
            break;
        default:
            break;
    }
}

UsageRecord StartingResultRecord() {
    UsageRecord record = UsageRecord::ForSchema(schemas::kResult);
    record.SetStartingValues();
    return record;
}

// The facts of the source file that both kinds of result record carry.
void SetSourceFile(UsageRecord& record, std::string_view path, std::int64_t size) {
    record.SetString("source_type", platform::Format("%d", FileTypeCode(path)));
    record.SetString("filename", EncodeFileName(path));
    record.SetInt("filesize", ClampToInt(size));
}

}  // namespace

UsageRecord BuildResultRecord(const TaskResultFacts& facts) {
    UsageRecord record = StartingResultRecord();
    record.SetInt("result", ResultCode(facts));
    SetSourceFile(record, facts.source_path, facts.source_size);
    record.SetInt("file_type", FileTypeCode(facts.output_path));
    record.SetInt("size", ClampToInt(facts.output_size));
    const bool picture_tool = IsPictureTool(facts.window);
    record.SetInt("totalpages", picture_tool ? 1 : facts.page_count);
    record.SetInt("resultpages", picture_tool ? 1 : facts.selected_page_count);
    record.SetString("errormsg", facts.error_msg);
    record.SetInt("error_type", facts.error_type);
    record.SetInt("result_type", facts.function_code);
    const RunTime run_time = RunTimeOf(facts);
    record.SetInt("r_time", ClampToInt(run_time.milliseconds));
    record.SetInt("r_server", run_time.server);
    record.SetInt("ocr", facts.window == ResultWindow::PdfToDocument ? facts.is_image_pdf : 0);
    record.SetInt("ver", CommonVer());
    record.SetInt("version", kRecordVersion);
    record.SetInt("product_id", CommonProductId());
    record.SetInt("cooperation_id", facts.cooperation_id);
    record.SetInt("compression_ratio", CompressionRatio(facts));
    SetWindowFields(record, facts);
    return record;
}

void SendResultRecord(const TaskResultFacts& facts) {
    SendUsageRecord(BuildResultRecord(facts), SendMode::Immediate);
}

int FileLoadCode(int page_count, int encryption) {
    if (page_count > 0)
        return 1;
    if (page_count != -1)
        return 4;
    if (encryption == -1)
        return 2;
    return encryption == 1 ? 3 : 4;
}

UsageRecord BuildFileLoadRecord(const FileLoadFacts& facts) {
    UsageRecord record = StartingResultRecord();
    SetSourceFile(record, facts.path, facts.size);
    record.SetInt("totalpages", facts.page_count);
    record.SetInt("ocr", facts.is_image_pdf);
    const std::int64_t run_time = facts.query ? facts.query->end - facts.query->phase : 0;
    record.SetInt("r_time", ClampToInt(run_time));
    record.SetInt("file_load", FileLoadCode(facts.page_count, facts.encryption));
    return record;
}

void SendFileLoadRecord(const FileLoadFacts& facts) {
    SendUsageRecord(BuildFileLoadRecord(facts), SendMode::Immediate);
}

}  // namespace report
