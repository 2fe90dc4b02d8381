#include "platform/RegistryStore.h"

#include <sys/stat.h>

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <exception>
#include <utility>

#include "platform/AtomicFile.h"
#include "platform/Diagnostics.h"
#include "platform/Paths.h"
#include "platform/Text.h"

namespace platform {
namespace fs = std::filesystem;
namespace {

constexpr std::string_view kDwordTag = "dword:";
constexpr std::string_view kQwordTag = "qword:";
constexpr std::string_view kStringTag = "sz:";
constexpr std::string_view kBinaryTag = "hex:";
// Characters a value name escapes besides the ones string data escapes.
constexpr std::string_view kNameOnlyEscapes = "=[;";

bool IsBlank(std::string_view line) {
    return line.find_first_not_of(" \t\r") == line.npos;
}

std::string_view WithoutCarriageReturn(std::string_view line) {
    if (!line.empty() && line.back() == '\r')
        line.remove_suffix(1);
    return line;
}

// "\n" and "\r" are line breaks, "\\" a backslash, and "\c" the character c for each c in
// `literal_escapes`; any other escape, or a trailing backslash, makes the text unreadable.
std::optional<std::string> Unescape(std::string_view text, std::string_view literal_escapes) {
    std::string result;
    result.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '\\') {
            result += text[i];
            continue;
        }
        if (++i == text.size())
            return std::nullopt;
        const char c = text[i];
        if (c == 'n')
            result += '\n';
        else if (c == 'r')
            result += '\r';
        else if (c == '\\' || literal_escapes.find(c) != literal_escapes.npos)
            result += c;
        else
            return std::nullopt;
    }
    return result;
}

void AppendEscapedChar(std::string& out, char c) {
    if (c == '\\')
        out += "\\\\";
    else if (c == '\n')
        out += "\\n";
    else if (c == '\r')
        out += "\\r";
    else
        out += c;
}

void AppendName(std::string& out, std::string_view name) {
    if (!name.empty() && (name.front() == '[' || name.front() == ';'))
        out += '\\';
    for (char c : name) {
        if (c == '=')
            out += "\\=";
        else
            AppendEscapedChar(out, c);
    }
}

std::size_t FindUnescapedEquals(std::string_view line) {
    for (std::size_t i = 0; i < line.size(); ++i) {
        if (line[i] == '\\')
            ++i;
        else if (line[i] == '=')
            return i;
    }
    return line.npos;
}

// Plain decimal digits only: no sign, no blanks, nothing after, no overflow.
template <typename Number>
std::optional<Number> ParseDecimal(std::string_view text) {
    if (text.empty() || text.find_first_not_of("0123456789") != text.npos)
        return std::nullopt;
    Number number = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), number);
    if (error != std::errc() || end != text.data() + text.size())
        return std::nullopt;
    return number;
}

int HexDigit(char c) {
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

std::optional<std::vector<std::uint8_t>> ParseHex(std::string_view text) {
    if (text.size() % 2 != 0)
        return std::nullopt;
    std::vector<std::uint8_t> bytes;
    bytes.reserve(text.size() / 2);
    for (std::size_t i = 0; i < text.size(); i += 2) {
        const int high = HexDigit(text[i]);
        const int low = HexDigit(text[i + 1]);
        if (high < 0 || low < 0)
            return std::nullopt;
        bytes.push_back(static_cast<std::uint8_t>(high * 16 + low));
    }
    return bytes;
}

template <typename Parsed>
std::optional<RegistryValue> Widen(std::optional<Parsed> parsed) {
    if (!parsed)
        return std::nullopt;
    return RegistryValue(std::move(*parsed));
}

std::optional<RegistryValue> ParseData(std::string_view data) {
    if (data.starts_with(kDwordTag))
        return Widen(ParseDecimal<std::uint32_t>(data.substr(kDwordTag.size())));
    if (data.starts_with(kQwordTag))
        return Widen(ParseDecimal<std::uint64_t>(data.substr(kQwordTag.size())));
    if (data.starts_with(kStringTag))
        return Widen(Unescape(data.substr(kStringTag.size()), {}));
    if (data.starts_with(kBinaryTag))
        return Widen(ParseHex(data.substr(kBinaryTag.size())));
    return std::nullopt;
}

struct DataWriter {
    std::string& out;

    void operator()(std::uint32_t number) const { out.append(kDwordTag) += std::to_string(number); }
    void operator()(std::uint64_t number) const { out.append(kQwordTag) += std::to_string(number); }
    void operator()(const std::string& text) const {
        out += kStringTag;
        for (char c : text)
            AppendEscapedChar(out, c);
    }
    void operator()(const std::vector<std::uint8_t>& bytes) const {
        static constexpr char kDigits[] = "0123456789abcdef";
        out += kBinaryTag;
        for (std::uint8_t byte : bytes) {
            out += kDigits[byte >> 4];
            out += kDigits[byte & 0xf];
        }
    }
};

std::optional<std::string> ParseHeader(std::string_view line) {
    if (line.size() < 2 || line.front() != '[' || line.back() != ']')
        return std::nullopt;
    return RegistryDocument::NormalizeKey(line.substr(1, line.size() - 2));
}

bool IsWithin(const std::string& folded_key, const std::string& folded_ancestor) {
    if (!folded_key.starts_with(folded_ancestor))
        return false;
    return folded_key.size() == folded_ancestor.size() ||
           folded_key[folded_ancestor.size()] == '\\';
}

}  // namespace

// ---------------------------------------------------------------------------------------------
// RegistryDocument

RegistryDocument RegistryDocument::Parse(std::string_view text) {
    RegistryDocument document;
    std::size_t number = 0;
    while (!text.empty()) {
        const std::size_t end = text.find('\n');
        document.AddLine(text.substr(0, end), ++number);
        if (end == text.npos)
            break;
        text.remove_prefix(end + 1);
    }
    return document;
}

void RegistryDocument::AddLine(std::string_view raw, std::size_t number) {
    const std::string_view line = WithoutCarriageReturn(raw);
    if (IsBlank(line) || line.front() == ';') {
        Current().lines.push_back(Line{std::string(raw), {}, std::nullopt});
        return;
    }
    if (line.front() == '[') {
        StartSection(line, raw, number);
        return;
    }
    const std::size_t equals = FindUnescapedEquals(line);
    if (Current().key && equals != line.npos) {
        std::optional<std::string> name = Unescape(line.substr(0, equals), kNameOnlyEscapes);
        std::optional<RegistryValue> value = ParseData(line.substr(equals + 1));
        if (name && value) {
            Current().lines.push_back(Line{{}, std::move(*name), std::move(value)});
            return;
        }
    }
    KeepUnparsed(raw, number);
}

// A header that names no key still opens a section, one without a key, so that the values
// under it are kept aside rather than read as the previous key's.
void RegistryDocument::StartSection(std::string_view header, std::string_view raw,
                                    std::size_t number) {
    std::optional<std::string> key = ParseHeader(header);
    const bool readable = key.has_value();
    AppendSection(std::move(key));
    if (!readable)
        KeepUnparsed(raw, number);
}

void RegistryDocument::KeepUnparsed(std::string_view raw, std::size_t number) {
    Current().lines.push_back(Line{std::string(raw), {}, std::nullopt});
    if (unparsed_line_count_++ == 0)
        first_unparsed_line_ = number;
}

RegistryDocument::Section& RegistryDocument::Current() {
    if (sections_.empty())
        AppendSection(std::nullopt);
    return sections_.back();
}

RegistryDocument::Section& RegistryDocument::AppendSection(std::optional<std::string> key) {
    std::string folded = key ? AsciiToLower(*key) : std::string();
    sections_.push_back(Section{std::move(key), std::move(folded), {}});
    return sections_.back();
}

std::string RegistryDocument::Serialize() const {
    std::string out;
    for (const Section& section : sections_) {
        if (section.key)
            out.append("[").append(*section.key).append("]\n");
        for (const Line& line : section.lines) {
            if (line.value) {
                AppendName(out, line.name);
                out += '=';
                std::visit(DataWriter{out}, *line.value);
            } else {
                out += line.verbatim;
            }
            out += '\n';
        }
    }
    return out;
}

std::optional<std::string> RegistryDocument::NormalizeKey(std::string_view key) {
    if (key.find_first_of("\r\n") != key.npos)
        return std::nullopt;
    std::string normalized;
    while (!key.empty()) {
        const std::size_t end = key.find('\\');
        const std::string_view segment = key.substr(0, end);
        if (!segment.empty() && !normalized.empty())
            normalized += '\\';
        normalized += segment;
        if (end == key.npos)
            break;
        key.remove_prefix(end + 1);
    }
    if (normalized.empty())
        return std::nullopt;
    return normalized;
}

std::optional<RegistryDocument::Position> RegistryDocument::LastValueLine(
    const std::string& folded_key, std::string_view name) const {
    std::optional<Position> last;
    for (std::size_t s = 0; s < sections_.size(); ++s) {
        if (!sections_[s].key || sections_[s].folded_key != folded_key)
            continue;
        const std::vector<Line>& lines = sections_[s].lines;
        for (std::size_t l = 0; l < lines.size(); ++l) {
            if (lines[l].value && EqualsIgnoreAsciiCase(lines[l].name, name))
                last = Position{s, l};
        }
    }
    return last;
}

const RegistryValue* RegistryDocument::Find(std::string_view key, std::string_view name) const {
    const std::optional<std::string> normalized = NormalizeKey(key);
    if (!normalized)
        return nullptr;
    const std::optional<Position> at = LastValueLine(AsciiToLower(*normalized), name);
    if (!at)
        return nullptr;
    return &*sections_[at->section].lines[at->line].value;
}

bool RegistryDocument::Set(std::string_view key, std::string_view name,
                           const RegistryValue& value) {
    const std::optional<std::string> normalized = NormalizeKey(key);
    if (!normalized)
        return false;
    const std::string folded = AsciiToLower(*normalized);
    if (const std::optional<Position> at = LastValueLine(folded, name)) {
        std::optional<RegistryValue>& stored = sections_[at->section].lines[at->line].value;
        if (*stored == value)
            return false;
        stored = value;
        return true;
    }
    Section& section = SectionForNewValue(*normalized, folded);
    auto end = section.lines.end();
    // Blank lines at the end of a section separate it from the next; new values go above them.
    while (end != section.lines.begin() && !std::prev(end)->value &&
           IsBlank(std::prev(end)->verbatim))
        --end;
    section.lines.insert(end, Line{{}, std::string(name), value});
    return true;
}

RegistryDocument::Section& RegistryDocument::SectionForNewValue(const std::string& key,
                                                                const std::string& folded_key) {
    for (auto it = sections_.rbegin(); it != sections_.rend(); ++it) {
        if (it->key && it->folded_key == folded_key)
            return *it;
    }
    if (!sections_.empty() && !EndsWithBlankLine())
        sections_.back().lines.push_back(Line{});
    return AppendSection(key);
}

bool RegistryDocument::EndsWithBlankLine() const {
    if (sections_.empty() || sections_.back().lines.empty())
        return false;
    const Line& last = sections_.back().lines.back();
    return !last.value && IsBlank(last.verbatim);
}

bool RegistryDocument::DeleteValue(std::string_view key, std::string_view name) {
    const std::optional<std::string> normalized = NormalizeKey(key);
    if (!normalized)
        return false;
    const std::string folded = AsciiToLower(*normalized);
    bool removed = false;
    for (Section& section : sections_) {
        if (!section.key || section.folded_key != folded)
            continue;
        removed |= std::erase_if(section.lines, [&](const Line& line) {
                       return line.value && EqualsIgnoreAsciiCase(line.name, name);
                   }) > 0;
    }
    return removed;
}

bool RegistryDocument::DeleteKey(std::string_view key) {
    const std::optional<std::string> normalized = NormalizeKey(key);
    if (!normalized)
        return false;
    const std::string folded = AsciiToLower(*normalized);
    const auto doomed = [&](const Section& section) {
        return section.key && IsWithin(section.folded_key, folded);
    };
    bool found = false;
    for (Section& section : sections_) {
        if (!doomed(section))
            continue;
        found = true;
        std::erase_if(section.lines, [](const Line& line) { return line.value.has_value(); });
    }
    std::erase_if(sections_, [&](const Section& section) {
        return doomed(section) &&
               std::all_of(section.lines.begin(), section.lines.end(),
                           [](const Line& line) { return IsBlank(line.verbatim); });
    });
    return found;
}

// ---------------------------------------------------------------------------------------------
// RegistryStore

namespace {

constexpr mode_t kUserFileMode = 0600;
constexpr mode_t kUserFolderMode = 0700;

template <typename Typed>
std::optional<Typed> As(std::optional<RegistryValue> value) {
    if (!value)
        return std::nullopt;
    Typed* typed = std::get_if<Typed>(&*value);
    if (!typed)
        return std::nullopt;
    return std::move(*typed);
}

bool IsFolder(const fs::path& path) {
    struct stat info {};
    return ::stat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

// Creates each missing folder of `folder` with mode 0700: the registry holds the user's data.
bool EnsureFolder(const fs::path& folder) {
    if (IsFolder(folder))
        return true;
    fs::path partial;
    for (const fs::path& part : folder) {
        partial /= part;
        if (::mkdir(partial.c_str(), kUserFolderMode) != 0 && errno != EEXIST)
            return false;
    }
    return IsFolder(folder);
}

fs::path FolderOf(const fs::path& file) {
    fs::path folder = file.parent_path();
    return folder.empty() ? fs::path(".") : folder;
}

fs::path LockPathFor(const fs::path& file) {
    fs::path lock = file;
    lock += ".lock";
    return lock;
}

void Report(const fs::path& file, std::string_view problem) {
    ReportDiagnostic("registry: " + file.string() + ": " + std::string(problem));
}

}  // namespace

RegistryStore::RegistryStore(fs::path user_file, fs::path machine_file,
                             std::chrono::milliseconds lock_timeout)
    : user_file_(std::move(user_file)),
      machine_file_(std::move(machine_file)),
      lock_timeout_(lock_timeout) {}

RegistryStore& RegistryStore::Instance() {
    static RegistryStore store(UserFolder() / "registry.ini",
                               ProgramFolder() / "registry-machine.ini");
    return store;
}

std::optional<std::uint32_t> RegistryStore::GetDword(RegistryRoot root, std::string_view key,
                                                     std::string_view name) const {
    return As<std::uint32_t>(Get(root, key, name));
}

std::optional<std::uint64_t> RegistryStore::GetQword(RegistryRoot root, std::string_view key,
                                                     std::string_view name) const {
    return As<std::uint64_t>(Get(root, key, name));
}

std::optional<std::string> RegistryStore::GetString(RegistryRoot root, std::string_view key,
                                                    std::string_view name) const {
    return As<std::string>(Get(root, key, name));
}

std::optional<std::vector<std::uint8_t>> RegistryStore::GetBinary(RegistryRoot root,
                                                                  std::string_view key,
                                                                  std::string_view name) const {
    return As<std::vector<std::uint8_t>>(Get(root, key, name));
}

bool RegistryStore::SetDword(RegistryRoot root, std::string_view key, std::string_view name,
                             std::uint32_t value) {
    return Set(root, key, name, RegistryValue(value));
}

bool RegistryStore::SetQword(RegistryRoot root, std::string_view key, std::string_view name,
                             std::uint64_t value) {
    return Set(root, key, name, RegistryValue(value));
}

bool RegistryStore::SetString(RegistryRoot root, std::string_view key, std::string_view name,
                              std::string_view value) {
    return Set(root, key, name, RegistryValue(std::string(value)));
}

bool RegistryStore::SetBinary(RegistryRoot root, std::string_view key, std::string_view name,
                              std::span<const std::uint8_t> value) {
    return Set(root, key, name,
               RegistryValue(std::vector<std::uint8_t>(value.begin(), value.end())));
}

bool RegistryStore::DeleteValue(RegistryRoot root, std::string_view key, std::string_view name) {
    const auto change = [&](RegistryDocument& document) { return document.DeleteValue(key, name); };
    return Write(root, key, change) == WriteOutcome::Written;
}

bool RegistryStore::DeleteKey(RegistryRoot root, std::string_view key) {
    const auto change = [&](RegistryDocument& document) { return document.DeleteKey(key); };
    return Write(root, key, change) == WriteOutcome::Written;
}

bool RegistryStore::Set(RegistryRoot root, std::string_view key, std::string_view name,
                        const RegistryValue& value) {
    const auto change = [&](RegistryDocument& document) { return document.Set(key, name, value); };
    return Write(root, key, change) != WriteOutcome::Failed;
}

std::optional<RegistryValue> RegistryStore::Get(RegistryRoot root, std::string_view key,
                                                std::string_view name) const {
    try {
        const fs::path& file = root == RegistryRoot::CurrentUser ? user_file_ : machine_file_;
        const std::optional<RegistryDocument> document = Load(file);
        const RegistryValue* value = document ? document->Find(key, name) : nullptr;
        if (!value)
            return std::nullopt;
        return *value;
    } catch (const std::exception& error) {
        ReportDiagnostic(std::string("registry: read failed: ") + error.what());
        return std::nullopt;
    }
}

RegistryStore::WriteOutcome RegistryStore::Write(RegistryRoot root, std::string_view key,
                                                 const Change& change) {
    if (root != RegistryRoot::CurrentUser || !RegistryDocument::NormalizeKey(key))
        return WriteOutcome::Failed;
    try {
        std::lock_guard guard(write_mutex_);
        if (!EnsureFolder(FolderOf(user_file_))) {
            Report(user_file_, "cannot create its folder; change dropped");
            return WriteOutcome::Failed;
        }
        const std::optional<FileLock> lock =
            FileLock::Acquire(LockPathFor(user_file_), lock_timeout_);
        if (!lock) {
            Report(user_file_, "lock not obtained in time; change dropped");
            return WriteOutcome::Failed;
        }
        return ChangeUnderLock(change);
    } catch (const std::exception& error) {
        Report(user_file_, std::string("write failed: ") + error.what());
        return WriteOutcome::Failed;
    }
}

// Re-reads the file: another process may have changed it since our last read, and its change
// must survive ours.
RegistryStore::WriteOutcome RegistryStore::ChangeUnderLock(const Change& change) {
    std::optional<RegistryDocument> document = Load(user_file_);
    if (!document) {
        Report(user_file_, "left as it is; change dropped");
        return WriteOutcome::Failed;
    }
    if (!change(*document))
        return WriteOutcome::Unchanged;
    const std::string text = document->Serialize();
    if (text.size() > kMaxFileBytes) {
        Report(user_file_, "change would grow it past 4 MiB; change dropped");
        return WriteOutcome::Failed;
    }
    std::string error;
    if (!WriteFileAtomically(user_file_, text, kUserFileMode, &error)) {
        Report(user_file_, error);
        return WriteOutcome::Failed;
    }
    return WriteOutcome::Written;
}

std::optional<RegistryDocument> RegistryStore::Load(const fs::path& file) const {
    ReadResult read = ReadFileBounded(file, kMaxFileBytes);
    switch (read.status) {
        case ReadStatus::Missing:
            NoteFileState(file, {});
            return RegistryDocument();
        case ReadStatus::TooLarge:
            NoteFileState(file, "larger than 4 MiB; read as empty and never written");
            return std::nullopt;
        case ReadStatus::Error:
            NoteFileState(file, read.error + "; read as empty and never written");
            return std::nullopt;
        case ReadStatus::Ok:
            break;
    }
    RegistryDocument document = RegistryDocument::Parse(read.bytes);
    std::string problem;
    if (document.unparsed_line_count() > 0) {
        problem = std::to_string(document.unparsed_line_count()) +
                  " unreadable line(s), the first at line " +
                  std::to_string(document.first_unparsed_line()) + "; kept as they are";
    }
    NoteFileState(file, problem);
    return document;
}

void RegistryStore::NoteFileState(const fs::path& file, const std::string& problem) const {
    {
        std::lock_guard guard(report_mutex_);
        std::string& last = file == user_file_ ? last_user_report_ : last_machine_report_;
        if (last == problem)
            return;
        last = problem;
    }
    if (!problem.empty())
        Report(file, problem);
}

}  // namespace platform
