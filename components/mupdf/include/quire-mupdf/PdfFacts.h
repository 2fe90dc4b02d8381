#pragma once

#include <chrono>
#include <cstddef>
#include <filesystem>
#include <functional>
#include <span>
#include <string>

namespace quiremupdf {

struct PdfFactOptions {
    std::string password;         // UTF-8; empty = none
    bool check_image_pdf = true;  // false leaves is_image_pdf unknown
    // Time for interpreting page contents (image-only and drawing detection). Pages beyond it
    // are still counted and measured but not judged.
    std::chrono::milliseconds content_budget{10000};
    // Time for the whole page walk; a hostile page tree cannot hold the core longer.
    std::chrono::milliseconds total_budget{30000};
    std::function<bool()> cancelled;    // polled between pages and inside page contents
    std::function<void(int)> progress;  // 0..100, called when the value changes
};

// What a PDF looks like to the converters. -1 means "not known" (the file could not be read
// far enough); widths and heights are 0 when not known.
struct PdfFacts {
    int page_count = -1;
    int is_encrypted = -1;  // 1: a password is needed to open it
    int password_ok = -1;   // 1: it opens with the password given (or needs none)
    int is_image_pdf = -1;  // 1: every page with content shows only images (a scan)
    int is_unreadable = -1;
    int can_to_cad = -1;  // 1: looks made from a CAD drawing
    int max_scale = -1;   // 100 x the largest UserUnit (percent of the default unit)
    int max_width = 0;    // largest page width in points after rotation and UserUnit
    int max_height = 0;
    bool cancelled = false;
    std::string error;  // why the document is unreadable, for the log and the "error" value
};

PdfFacts ReadPdfFacts(const std::filesystem::path& file, const PdfFactOptions& options);
// The same for a document in memory (the data must stay valid during the call).
PdfFacts ReadPdfFacts(std::span<const unsigned char> data, const PdfFactOptions& options);

// The number of pages, -1 when the file cannot be read as a PDF (or needs a password).
int CountPdfPages(const std::filesystem::path& file);

}  // namespace quiremupdf
