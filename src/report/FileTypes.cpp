#include "report/FileTypes.h"

#include <array>
#include <utility>

#include "platform/Text.h"

namespace report {
namespace {

constexpr std::array<std::pair<std::string_view, int>, 18> kFileTypeCodes{{
    {"doc", 1},
    {"docx", 2},
    {"xls", 3},
    {"xlsx", 4},
    {"pptx", 5},
    {"txt", 6},
    {"pdf", 7},
    {"jpg", 8},
    {"png", 9},
    {"gif", 10},
    {"bmp", 11},
    {"tip", 12},
    {"dxf", 13},
    {"dwg", 14},
    {"jpeg", 15},
    {"tif", 16},
    {"tiff", 17},
    {"ppt", 18},
}};

std::string_view FileName(std::string_view path) {
    const std::size_t slash = path.rfind('/');
    return slash == std::string_view::npos ? path : path.substr(slash + 1);
}

}  // namespace

std::string_view FileExtension(std::string_view path) {
    const std::string_view name = FileName(path);
    const std::size_t dot = name.rfind('.');
    return dot == std::string_view::npos ? std::string_view() : name.substr(dot + 1);
}

int FileTypeCode(std::string_view path) {
    const std::string_view name = FileName(path);
    const bool has_dot = name.find('.') != std::string_view::npos;
    const std::string_view key = has_dot ? FileExtension(path) : name;
    for (const auto& [extension, code] : kFileTypeCodes) {
        if (platform::EqualsIgnoreAsciiCase(key, extension))
            return code;
    }
    return 0;
}

}  // namespace report
