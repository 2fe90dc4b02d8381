#include "core/FileTypeCodes.h"

#include "platform/Text.h"

namespace file_types {
namespace {

struct Entry {
    std::string_view name;
    int code;
};

constexpr Entry kSourceExtensions[] = {
    {"doc", kSourceDoc},   {"docx", kSourceDocx},  {"xls", kSourceXls},   {"xlsx", kSourceXlsx},
    {"ppt", kSourcePpt},   {"pptx", kSourcePptx},  {"jpg", kSourceImage}, {"png", kSourceImage},
    {"bmp", kSourceImage}, {"jpeg", kSourceImage}, {"tif", kSourceImage}, {"tiff", kSourceImage},
    {"gif", kSourceImage}, {"txt", kSourceTxt},
};

constexpr Entry kTargetExtensions[] = {
    {"doc", 1}, {"docx", 2}, {"xls", 3},          {"xlsx", 4},         {"pptx", 5},
    {"txt", 6}, {"html", 7}, {"jpg", kTargetJpg}, {"png", kTargetPng}, {"bmp", kTargetBmp},
};

constexpr Entry kToPdfCommands[] = {
    {"doc_to_pdf", kSourceDoc},   {"docx_to_pdf", kSourceDocx}, {"xls_to_pdf", kSourceXls},
    {"xlsx_to_pdf", kSourceXlsx}, {"ppt_to_pdf", kSourcePpt},   {"pptx_to_pdf", kSourcePptx},
    {"txt_to_pdf", kSourceTxt},
};

constexpr Entry kFromPdfCommands[] = {
    {"pdf_to_doc", 1},  {"pdf_to_docx", 2}, {"pdf_to_xls", 3},  {"pdf_to_xlsx", 4},
    {"pdf_to_pptx", 5}, {"pdf_to_txt", 6},  {"pdf_to_html", 7},
};

constexpr Entry kImageExtensions[] = {
    {"jpg", kTargetJpg},
    {"png", kTargetPng},
    {"bmp", kTargetBmp},
};

template <std::size_t N>
int CodeOf(const Entry (&table)[N], std::string_view name) {
    for (const Entry& entry : table) {
        if (entry.name == name)
            return entry.code;
    }
    return 0;
}

template <std::size_t N>
std::string NameOf(const Entry (&table)[N], int code) {
    for (const Entry& entry : table) {
        if (entry.code == code)
            return std::string(entry.name);
    }
    return {};
}

}  // namespace

std::string LowerExtension(std::string_view path) {
    const auto slash = path.find_last_of('/');
    const std::string_view name = slash == std::string_view::npos ? path : path.substr(slash + 1);
    const auto dot = name.find_last_of('.');
    if (dot == std::string_view::npos)
        return {};
    return platform::AsciiToLower(name.substr(dot + 1));
}

int SourceTypeCode(std::string_view path) {
    return CodeOf(kSourceExtensions, LowerExtension(path));
}

int TargetTypeCode(std::string_view path) {
    return CodeOf(kTargetExtensions, LowerExtension(path));
}

std::string ToPdfCommand(int source_type) {
    return NameOf(kToPdfCommands, source_type);
}

std::string FromPdfCommand(int target_type) {
    return NameOf(kFromPdfCommands, target_type);
}

std::string PdfToImagesCommand(int image_type) {
    const std::string extension = ImageExtension(image_type);
    return extension.empty() ? std::string() : "pdf_to_" + extension;
}

std::string ImageExtension(int image_type) {
    return NameOf(kImageExtensions, image_type);
}

}  // namespace file_types
