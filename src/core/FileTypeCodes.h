#pragma once

#include <string>
#include <string_view>

// How a file name selects a conversion command.
namespace file_types {

// Source types (a file converted to PDF).
inline constexpr int kSourceDoc = 1;
inline constexpr int kSourceDocx = 2;
inline constexpr int kSourceXls = 3;
inline constexpr int kSourceXlsx = 4;
inline constexpr int kSourcePpt = 5;
inline constexpr int kSourcePptx = 6;
inline constexpr int kSourceImage = 7;
inline constexpr int kSourceTxt = 10;

// Target types (what a PDF becomes).
inline constexpr int kTargetJpg = 10;
inline constexpr int kTargetPng = 11;
inline constexpr int kTargetBmp = 12;

// The lower-cased text after the last "." of the file name (not of a folder on the path);
// empty when the name has no dot.
std::string LowerExtension(std::string_view path);

// "doc" 1, "docx" 2, "xls" 3, "xlsx" 4, "ppt" 5, "pptx" 6, pictures 7, "txt" 10, else 0.
int SourceTypeCode(std::string_view path);
// "doc" 1, "docx" 2, "xls" 3, "xlsx" 4, "pptx" 5, "txt" 6, "html" 7, "jpg" 10, "png" 11,
// "bmp" 12, else 0 ("ppt" cannot be written).
int TargetTypeCode(std::string_view path);

// The command that converts a source type to PDF; empty for pictures and unknown types, which
// have no such command.
std::string ToPdfCommand(int source_type);
// The command that converts a PDF to target types 1..7; empty otherwise.
std::string FromPdfCommand(int target_type);
// "pdf_to_jpg", "pdf_to_png", "pdf_to_bmp" for 10, 11, 12; empty otherwise.
std::string PdfToImagesCommand(int image_type);
// "jpg", "png", "bmp" for 10, 11, 12; empty otherwise.
std::string ImageExtension(int image_type);

}  // namespace file_types
