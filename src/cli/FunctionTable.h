#pragma once

#include <string>
#include <string_view>
#include <vector>

// The functions quire-cli offers: one per function window of the main window's tabs, plus the
// file-information query. Each names the options its window has.
namespace cli {

// Which job builder turns a function's options and files into tasks.
enum class Family {
    kInfo,
    kPdfToDocument,  // Word, Excel, PowerPoint, text
    kPageImages,     // PDF to images, Office to images
    kRedrawPdf,      // image-only PDF, vector curves
    kPdfToCad,
    kDocumentToPdf,
    kImageToPdf,
    kCadToPdf,
    kHtmlToPdf,
    kSplit,
    kMerge,
    kEncrypt,
    kPickPages,  // extract pages, delete pages
    kExtractImages,
    kWatermark,
    kCompress,
    kImageToWord,
    kImageResize,
    kImageCompress,
    kImageConvert,
};

struct CliOption {
    std::string_view name;        // the long option without "--"
    std::string_view value_name;  // empty for a switch that takes no value
    std::string_view help;
};

struct CliFunction {
    std::string_view name;     // as typed on the command line
    std::string_view caption;  // the window's tab caption
    int function_code = 0;     // the window's function code
    Family family = Family::kInfo;
    std::string_view summary;
    // Lower-case extensions the window accepts; empty accepts any file.
    std::vector<std::string_view> extensions;
    std::vector<CliOption> options;  // besides -o and --help
    // The window's row texts for a finished file.
    std::string_view success_text = "转换成功";
    std::string_view failure_text = "转换失败";
};

const std::vector<CliFunction>& Functions();
// Null when no function has that name.
const CliFunction* FindFunction(std::string_view name);
const CliOption* FindOption(const CliFunction& function, std::string_view name);

// Whether the function's window would take the file (its extension, without regard to case).
bool Accepts(const CliFunction& function, const std::string& path);

}  // namespace cli
