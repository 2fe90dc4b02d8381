#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "report/UsageRecord.h"

// "amber_pdftoword_result:8391": one per finished task of a function window, and one each time
// the file-information cache hands over the facts of a file.
namespace report {

// The windows whose result records differ from the common form.
enum class ResultWindow {
    PdfToDocument,    // tasks may move to the online service; sends the image-PDF flag as "ocr"
    DocumentToPdf,    // tasks may move to the online service
    PdfToImage,       // tasks may move to the online service
    OfficeToImages,   // tasks may move to the online service
    ImageToPdf,       // paper, direction, margin, compression, item3
    PdfPageTool,      // source and output sizes as text
    PictureCompress,  // picture tool: sizes as text and the target size
    PictureResize,    // picture tool: percentage and the two picture sizes
    ChangeFormat,     // picture tool: the source picture's extension
    TextRecognition,  // picture tool
    Other,
};

// Tick counts in milliseconds, widened to 64 bits.
struct TaskTimes {
    std::int64_t start = 0;
    std::int64_t phase = 0;
    std::int64_t end = 0;
};

struct ImageToPdfChoices {
    int paper_index = 0;
    int direction_index = 0;
    int margin_index = 0;
    int picture_quality = 100;  // 25, 50, 75 or 100
    bool item3_flag = false;
};

struct PictureDimensions {
    int width = 0;
    int height = 0;
};

// What a window knows about a finished task when it reports it.
struct TaskResultFacts {
    ResultWindow window = ResultWindow::Other;
    int function_code = 0;  // the window's function code: "result_type"
    bool cancelled = false;
    int result = 0;    // the task's result: 1 success, below 0 still running
    int is_local = 1;  // non-zero when the task ran on this machine
    int is_image_pdf = 0;
    std::string source_path;
    std::string output_path;
    std::int64_t source_size = 0;
    std::int64_t output_size = 0;
    int page_count = 0;
    int selected_page_count = 0;
    std::string error_msg;
    int error_type = 0;
    TaskTimes times;
    int cooperation_id = 0;
    int compression_ratio = 0;  // the window's own figure; 0 lets the two sizes decide
    ImageToPdfChoices image_to_pdf;
    int target_size_kb = 0;  // picture compress: the largest size it aims for
    PictureDimensions source_picture;
    PictureDimensions target_picture;
};

UsageRecord BuildResultRecord(const TaskResultFacts& facts);
// Sent at once.
void SendResultRecord(const TaskResultFacts& facts);

// What the file-information cache knows about a file when it hands its facts over.
struct FileLoadFacts {
    std::string path;
    std::int64_t size = 0;
    int page_count = -1;  // -1 not known; 1 for pictures, drawings and text files
    int encryption = -1;  // -1 not known, 1 encrypted, 0 not
    int is_image_pdf = -1;
    std::optional<TaskTimes> query;  // none when no query ran
};

// 1 with pages; for an unknown page count 2 when the encryption is unknown too, 3 when the file
// is encrypted, 4 otherwise; 4 for any other page count.
int FileLoadCode(int page_count, int encryption);

// Every field not named by the facts keeps its starting value.
UsageRecord BuildFileLoadRecord(const FileLoadFacts& facts);
// Sent at once.
void SendFileLoadRecord(const FileLoadFacts& facts);

}  // namespace report
