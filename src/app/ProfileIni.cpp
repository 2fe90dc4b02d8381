#include "app/ProfileIni.h"

#include <mutex>

#include "app/AsynLog.h"
#include "app/ConfigPaths.h"
#include "platform/AtomicFile.h"
#include "platform/Text.h"

namespace profile {
namespace {

constexpr std::string_view kUtf8Bom = "\xEF\xBB\xBF";
constexpr std::string_view kWhiteSpace = " \t\r\n\v\f";

// Serialises this process's read-modify-write of profile files, so that two threads setting
// different keys of one file both keep their change.
std::mutex write_mutex;

enum class LineKind { kOther, kSection, kKey };

struct LineParts {
    LineKind kind = LineKind::kOther;
    std::string_view name;   // section or key name
    std::string_view value;  // key lines only
};

std::string_view TrimRight(std::string_view text) {
    const std::size_t last = text.find_last_not_of(kWhiteSpace);
    return last == std::string_view::npos ? std::string_view() : text.substr(0, last + 1);
}

std::string_view Trim(std::string_view text) {
    const std::size_t first = text.find_first_not_of(kWhiteSpace);
    return first == std::string_view::npos ? std::string_view() : TrimRight(text.substr(first));
}

LineParts SectionParts(std::string_view line) {
    const std::size_t close = line.rfind(']');
    if (close == std::string_view::npos)
        return {};
    return {LineKind::kSection, Trim(line.substr(1, close - 1)), {}};
}

// `raw` still carries its line ending; trimming removes it.
LineParts Classify(std::string_view raw) {
    const std::string_view line = Trim(raw);
    if (line.empty() || line.front() == ';')
        return {};
    if (line.front() == '[')
        return SectionParts(line);
    const std::size_t equals = line.find('=');
    if (equals == std::string_view::npos)
        return {};
    const std::string_view key = TrimRight(line.substr(0, equals));
    if (key.empty())
        return {};
    return {LineKind::kKey, key, Trim(line.substr(equals + 1))};
}

std::string_view Unquote(std::string_view value) {
    const bool quoted = value.size() >= 2 && (value.front() == '"' || value.front() == '\'') &&
                        value.back() == value.front();
    return quoted ? value.substr(1, value.size() - 2) : value;
}

bool HasLineBreak(std::string_view text) {
    return text.find_first_of("\r\n") != std::string_view::npos;
}

bool EndsLine(std::string_view line) {
    return !line.empty() && line.back() == '\n';
}

// Nullopt when the file exists but cannot be read whole; a missing file reads as empty.
std::optional<ProfileDocument> ReadDocument(const std::filesystem::path& file) {
    const platform::ReadResult read = platform::ReadFileBounded(file, kMaxFileBytes);
    if (read.status == platform::ReadStatus::Ok || read.status == platform::ReadStatus::Missing)
        return ProfileDocument::Parse(read.bytes);
    keasy::AsynLog::Instance().Print("profile::Read unreadable path:%ws, error:%s", file.string(),
                                     config::DescribeReadFailure(read));
    return std::nullopt;
}

std::optional<ProfileDocument> DocumentToChange(const std::filesystem::path& file,
                                                const std::filesystem::path& seed) {
    std::error_code error;
    if (!seed.empty() && !std::filesystem::exists(file, error) &&
        std::filesystem::exists(seed, error))
        return ReadDocument(seed);
    return ReadDocument(file);
}

}  // namespace

ProfileDocument ProfileDocument::Parse(std::string_view text) {
    ProfileDocument document;
    if (text.starts_with(kUtf8Bom)) {
        document.bom_ = true;
        text.remove_prefix(kUtf8Bom.size());
    }
    while (!text.empty()) {
        const std::size_t end = text.find('\n');
        const std::size_t length = end == std::string_view::npos ? text.size() : end + 1;
        document.lines_.emplace_back(text.substr(0, length));
        text.remove_prefix(length);
    }
    for (const std::string& line : document.lines_) {
        if (EndsLine(line)) {
            document.line_end_ = line.ends_with("\r\n") ? "\r\n" : "\n";
            break;
        }
    }
    return document;
}

std::string ProfileDocument::Serialize() const {
    std::string text(bom_ ? kUtf8Bom : std::string_view());
    for (const std::string& line : lines_)
        text += line;
    return text;
}

std::optional<ProfileDocument::Range> ProfileDocument::FindSection(std::string_view section) const {
    for (std::size_t i = 0; i < lines_.size(); ++i) {
        const LineParts parts = Classify(lines_[i]);
        if (parts.kind != LineKind::kSection ||
            !platform::EqualsIgnoreAsciiCase(parts.name, section))
            continue;
        std::size_t end = i + 1;
        while (end < lines_.size() && Classify(lines_[end]).kind != LineKind::kSection)
            ++end;
        return Range{i, end};
    }
    return std::nullopt;
}

std::optional<std::size_t> ProfileDocument::FindKey(const Range& range,
                                                    std::string_view key) const {
    for (std::size_t i = range.header + 1; i < range.end; ++i) {
        const LineParts parts = Classify(lines_[i]);
        if (parts.kind == LineKind::kKey && platform::EqualsIgnoreAsciiCase(parts.name, key))
            return i;
    }
    return std::nullopt;
}

std::optional<std::string> ProfileDocument::Find(std::string_view section,
                                                 std::string_view key) const {
    const std::optional<Range> range = FindSection(section);
    if (!range)
        return std::nullopt;
    const std::optional<std::size_t> line = FindKey(*range, key);
    if (!line)
        return std::nullopt;
    return std::string(Unquote(Classify(lines_[*line]).value));
}

void ProfileDocument::Set(std::string_view section, std::string_view key, std::string_view value) {
    const std::optional<Range> range = FindSection(section);
    if (!range) {
        AppendLine("[" + std::string(section) + "]");
        AppendLine(std::string(key) + "=" + std::string(value));
        return;
    }
    const std::optional<std::size_t> found = FindKey(*range, key);
    if (!found) {
        InsertKey(*range, std::string(key) + "=" + std::string(value));
        return;
    }
    // The key keeps the spelling the file gave it; the line keeps its own ending.
    std::string& line = lines_[*found];
    const std::string_view old_content = TrimRight(line);
    const std::string ending = line.substr(old_content.size());
    line = std::string(Classify(line).name) + "=" + std::string(value) + ending;
}

void ProfileDocument::InsertKey(const Range& range, std::string line) {
    std::size_t at = range.end;
    while (at > range.header + 1 && Trim(lines_[at - 1]).empty())
        --at;
    if (!EndsLine(lines_[at - 1]))
        lines_[at - 1] += line_end_;
    lines_.insert(lines_.begin() + static_cast<std::ptrdiff_t>(at), line + line_end_);
}

void ProfileDocument::AppendLine(std::string line) {
    if (!lines_.empty() && !EndsLine(lines_.back()))
        lines_.back() += line_end_;
    lines_.push_back(line + line_end_);
}

bool ProfileDocument::CanWrite(std::string_view section, std::string_view key,
                               std::string_view value) {
    if (HasLineBreak(section) || HasLineBreak(key) || HasLineBreak(value))
        return false;
    const bool section_reads_back =
        !section.empty() && Trim(section) == section && section.find(']') == std::string_view::npos;
    const bool key_reads_back = !key.empty() && Trim(key) == key &&
                                key.find('=') == std::string_view::npos && key.front() != '[' &&
                                key.front() != ';';
    return section_reads_back && key_reads_back && Trim(value) == value;
}

int GetInt(const std::filesystem::path& file, std::string_view section, std::string_view key,
           int default_value) {
    const std::string value = GetString(file, section, key, "");
    return value.empty() ? default_value : platform::ParseIntLikeWtoi(value);
}

std::string GetString(const std::filesystem::path& file, std::string_view section,
                      std::string_view key, std::string_view default_value) {
    const std::optional<ProfileDocument> document = ReadDocument(file);
    if (!document)
        return std::string(default_value);
    return document->Find(section, key).value_or(std::string(default_value));
}

bool WriteString(const std::filesystem::path& file, std::string_view section, std::string_view key,
                 std::string_view value, const std::filesystem::path& seed) {
    if (!ProfileDocument::CanWrite(section, key, value)) {
        keasy::AsynLog::Instance().Print(
            "profile::WriteString refused section:%s, key:%s, path:%ws", section, key,
            file.string());
        return false;
    }
    std::lock_guard lock(write_mutex);
    std::optional<ProfileDocument> document = DocumentToChange(file, seed);
    if (!document)
        return false;
    document->Set(section, key, value);
    std::string error;
    if (config::CreateMissingFolders(file.parent_path()) &&
        platform::WriteFileAtomically(file, document->Serialize(), 0600, &error))
        return true;
    keasy::AsynLog::Instance().Print("profile::WriteString failed path:%ws, error:%s",
                                     file.string(), error);
    return false;
}

}  // namespace profile
