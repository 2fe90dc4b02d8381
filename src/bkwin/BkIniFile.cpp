#include "bkwin/BkIniFile.h"

#include <fstream>
#include <iterator>

#include "platform/Text.h"

namespace BkWin {
namespace {

std::string_view Trim(std::string_view text) {
    constexpr std::string_view kSpace = " \t\r\n";
    const std::size_t first = text.find_first_not_of(kSpace);
    if (first == std::string_view::npos)
        return {};
    return text.substr(first, text.find_last_not_of(kSpace) - first + 1);
}

std::string_view Unquote(std::string_view value) {
    if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') &&
        value.back() == value.front())
        return value.substr(1, value.size() - 2);
    return value;
}

}  // namespace

std::optional<BkIniFile> BkIniFile::Load(const std::filesystem::path& file) {
    std::error_code error;
    const auto size = std::filesystem::file_size(file, error);
    if (error || size > kMaxFileBytes)
        return std::nullopt;
    std::ifstream stream(file, std::ios::binary);
    if (!stream)
        return std::nullopt;
    const std::string text{std::istreambuf_iterator<char>(stream), {}};
    return Parse(text);
}

BkIniFile BkIniFile::Parse(std::string_view text) {
    constexpr std::string_view kBom = "\xEF\xBB\xBF";
    if (text.starts_with(kBom))
        text.remove_prefix(kBom.size());
    BkIniFile file;
    std::string section;
    while (!text.empty()) {
        const std::size_t end = text.find('\n');
        const std::string_view line = Trim(text.substr(0, end));
        text = end == std::string_view::npos ? std::string_view() : text.substr(end + 1);
        if (line.starts_with('[')) {
            const std::size_t close = line.find(']');
            if (close != std::string_view::npos)
                section = Trim(line.substr(1, close - 1));
            continue;
        }
        const std::size_t equals = line.find('=');
        if (equals == std::string_view::npos || line.starts_with(';'))
            continue;
        file.entries_.push_back({section, std::string(Trim(line.substr(0, equals))),
                                 std::string(Unquote(Trim(line.substr(equals + 1))))});
    }
    return file;
}

std::optional<std::string> BkIniFile::GetString(std::string_view section,
                                                std::string_view key) const {
    for (const Entry& entry : entries_) {
        if (platform::EqualsIgnoreAsciiCase(entry.section, section) &&
            platform::EqualsIgnoreAsciiCase(entry.key, key))
            return entry.value;
    }
    return std::nullopt;
}

int BkIniFile::GetInt(std::string_view section, std::string_view key, int default_value) const {
    const std::optional<std::string> value = GetString(section, key);
    if (!value || value->empty())
        return default_value;
    return platform::ParseIntLikeWtoi(*value);
}

}  // namespace BkWin
