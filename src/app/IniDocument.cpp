#include "app/IniDocument.h"

#include <algorithm>

#include "app/AsynLog.h"
#include "platform/AtomicFile.h"
#include "platform/Text.h"

namespace {

constexpr std::string_view kUtf8Bom = "\xEF\xBB\xBF";

// What `iswspace` counts as white space: the ASCII controls and the Unicode spaces, the
// ideographic one included, which Chinese text uses.
bool IsWideSpace(char16_t c) {
    switch (c) {
        case 0x20:
        case 0x85:
        case 0xA0:
        case 0x1680:
        case 0x2028:
        case 0x2029:
        case 0x202F:
        case 0x205F:
        case 0x3000:
            return true;
        default:
            return (c >= 0x09 && c <= 0x0D) || (c >= 0x2000 && c <= 0x200A);
    }
}

bool IsSpace(char16_t c) {
    return c == u' ';
}

std::u16string_view TrimLeading(std::u16string_view text, bool (*is_space)(char16_t)) {
    while (!text.empty() && is_space(text.front()))
        text.remove_prefix(1);
    return text;
}

std::u16string_view TrimTrailing(std::u16string_view text, bool (*is_space)(char16_t)) {
    while (!text.empty() && is_space(text.back()))
        text.remove_suffix(1);
    return text;
}

std::u16string_view Trim(std::u16string_view text, bool (*is_space)(char16_t)) {
    return TrimTrailing(TrimLeading(text, is_space), is_space);
}

std::string Name(std::u16string_view text) {
    return platform::AsciiToLower(platform::Utf16ToUtf8(text));
}

bool IsHeader(std::u16string_view line) {
    return line.size() >= 2 && line.front() == u'[' && line.back() == u']';
}

bool HasLineBreak(std::string_view text) {
    return text.find_first_of("\r\n") != std::string_view::npos;
}

}  // namespace

bool IniDocument::Parse(std::string_view text) {
    return ParseUtf16(platform::Utf8ToUtf16(text));
}

bool IniDocument::ParseUtf16(std::u16string_view text) {
    std::size_t pos = text.find(u'[');
    if (pos == std::u16string_view::npos) {
        keasy::AsynLog::Instance().Print("IniDocument::Parse no section header, size:%d",
                                         text.size());
        return false;
    }
    std::string section;
    for (int number = 1; pos < text.size(); ++number) {
        const std::size_t end = std::min(text.find(u'\n', pos), text.size() - 1);
        const std::u16string_view line = Trim(text.substr(pos, end + 1 - pos), IsWideSpace);
        pos = end + 1;
        if (line.empty())
            continue;
        if (IsHeader(line)) {
            section = Name(Trim(line.substr(1, line.size() - 2), IsSpace));
            if (section.empty()) {
                keasy::AsynLog::Instance().Print("IniDocument::Parse empty section line:%d",
                                                 number);
                return false;
            }
            continue;
        }
        const std::size_t equals = line.find(u'=');
        const std::u16string_view key = TrimTrailing(line.substr(0, equals), IsSpace);
        if (equals == std::u16string_view::npos || key.empty()) {
            keasy::AsynLog::Instance().Print("IniDocument::Parse no key line:%d", number);
            return false;
        }
        const std::u16string_view value = TrimLeading(line.substr(equals + 1), IsSpace);
        sections_[section][Name(key)] = platform::Utf16ToUtf8(value);
    }
    return true;
}

// Keys that came before every header (a first line like "[a=1") sit under the empty name.
// They are left out: "[]" would stop the next parse at its first line and lose the whole file.
std::string IniDocument::Serialize() const {
    std::string text;
    for (const auto& [section, keys] : sections_) {
        if (section.empty())
            continue;
        text.append("[").append(section).append("]\r\n");
        for (const auto& [key, value] : keys)
            text.append(key).append("=").append(value).append("\r\n");
    }
    return text;
}

const std::string* IniDocument::Find(std::string_view section, std::string_view key) const {
    const auto found_section = sections_.find(platform::AsciiToLower(section));
    if (found_section == sections_.end())
        return nullptr;
    const auto found_key = found_section->second.find(platform::AsciiToLower(key));
    if (found_key == found_section->second.end())
        return nullptr;
    return &found_key->second;
}

std::string IniDocument::GetString(std::string_view section, std::string_view key,
                                   std::string_view default_value) const {
    const std::string* value = Find(section, key);
    return value ? *value : std::string(default_value);
}

int IniDocument::GetInt(std::string_view section, std::string_view key, int default_value) const {
    const std::string* value = Find(section, key);
    return value ? platform::ParseIntLikeWtoi(*value) : default_value;
}

void IniDocument::SetString(std::string_view section, std::string_view key,
                            std::string_view value) {
    const bool readable = !section.empty() && !key.empty() &&
                          key.find('=') == std::string_view::npos && !HasLineBreak(section) &&
                          !HasLineBreak(key) && !HasLineBreak(value);
    if (!readable) {
        keasy::AsynLog::Instance().Print("IniDocument::SetString refused section:%s, key:%s",
                                         section, key);
        return;
    }
    sections_[platform::AsciiToLower(section)][platform::AsciiToLower(key)] = std::string(value);
}

void IniDocument::SetInt(std::string_view section, std::string_view key, int value) {
    SetString(section, key, std::to_string(value));
}

bool IniDocument::WriteWithBom(const std::filesystem::path& path, std::string_view text) {
    std::string bytes(kUtf8Bom);
    bytes.append(text);
    std::string error;
    if (platform::WriteFileAtomically(path, bytes, 0600, &error))
        return true;
    keasy::AsynLog::Instance().Print("IniDocument::Save failed path:%ws, error:%s", path.string(),
                                     error);
    return false;
}
