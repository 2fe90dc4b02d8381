#pragma once

#include <string>
#include <vector>

#include "core/KOthersToPdf.h"
#include "core/KPdfOperate.h"
#include "core/WatermarkSettings.h"

// One local job a composite task hands to the conversion core: which operation, and the values
// its command record carries. Fields an operation does not use stay at their defaults.
enum class OperationKind {
    kPdfToDocument,  // the document kind follows the target's extension
    kPdfToImages,
    kPdfToImagePdf,
    kPdfToCurve,
    kDocumentToPdf,  // the command follows the source's extension
    kImagesToPdf,
    kSplit,
    kMerge,
    kPickupPages,
    kDeletePages,
    kEncrypt,
    kDecrypt,
    kAddWatermark,
    kExtractImages,
    kMergeFiles,
    kCompress,
    kImageResize,
    kImageCompress,
    kImageReformat,
};

// How pages of a PDF become pictures.
struct PageImageOptions {
    int image_type = 10;  // 10 jpg, 11 png, 12 bmp
    bool merge = false;   // pages stacked into tall pictures
    float scale = 2.0f;
    int pages_per_image = 1;
};

struct OperationRequest {
    OperationKind kind = OperationKind::kPdfToDocument;
    std::string source;
    std::string target;  // a file, or the output folder of split, page images and extraction
    // The open password (for encryption the one to set); added only when not empty.
    std::string password;
    std::vector<int> pages;  // 1-based; empty means every page

    std::vector<KPdfOperate::PageRange> ranges;           // split
    std::vector<KPdfOperate::MergeSource> merge_sources;  // merge
    std::vector<std::string> files;                       // merge files, images to PDF
    PageImageOptions page_images;                         // PDF to images
    KOthersToPdf::ImagePages image_pages;                 // images to PDF
    WatermarkSettings watermark;                          // add watermark
    int compress_type = 3;                                // compress
    int width = 0;                                        // image resize
    int height = 0;                                       // image resize
    int max_size = 0;                                     // image compress, in kilobytes
};

// The kind as log lines name it.
const char* OperationName(OperationKind kind);
