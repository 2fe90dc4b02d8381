#include "cli/SourceFile.h"

#include <algorithm>
#include <filesystem>

#include "composite/OutputNames.h"
#include "core/FileTypeCodes.h"
#include "platform/Text.h"

namespace cli {

std::string SourceFile::Unusable(bool password_given) const {
    if (facts.encrypted == 1 && !password_given && file_types::LowerExtension(path) == "pdf")
        return "加密文件无法转换 (the PDF needs its open password: --password)";
    if (facts.answered && facts.page_count == 0)
        return "空文件 (the document has no pages)";
    if (facts.answered && facts.page_count > 0)
        return {};
    std::string text = "获取信息失败 (the conversion core could not read the file's facts";
    return text + (facts.error.empty() ? ")" : ": " + facts.error + ")");
}

int SourceFile::PageCount() const {
    return std::max(facts.page_count, 1);
}

std::string SourceFile::Title() const {
    return output_names::FileTitle(path);
}

std::string SourceFile::ShortName(std::size_t max_chars) const {
    const std::string name = std::filesystem::path(path).filename().string();
    if (platform::CountChars(name) <= max_chars)
        return name;
    return std::string(platform::TruncateChars(name, max_chars)) + "...";
}

}  // namespace cli
