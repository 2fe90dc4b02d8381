#pragma once

#include <cstddef>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

// Reading and writing ini files the way the Windows profile functions do: section and key
// names compare ignoring ASCII case, values are trimmed (and lose one pair of surrounding
// quotes), the first matching section and key win, and a write changes only the line it must:
// comments, unknown lines and the order of everything else stay as they were.
namespace profile {

// Larger files are treated as unreadable: reads give the default, writes are refused.
inline constexpr std::size_t kMaxFileBytes = 0x200000;

// One profile file, line by line.
class ProfileDocument {
public:
    // Never fails: a line that is neither a header nor "key=value" is kept as it is.
    static ProfileDocument Parse(std::string_view text);
    // The text as parsed, with whatever Set changed.
    std::string Serialize() const;

    std::optional<std::string> Find(std::string_view section, std::string_view key) const;
    // Replaces the first matching key line of the first matching section, else adds the key
    // after the last line of that section that is not blank, else adds the section at the end.
    // The caller checks CanWrite first.
    void Set(std::string_view section, std::string_view key, std::string_view value);

    // Whether a line written from these reads back as the same section, key and value.
    static bool CanWrite(std::string_view section, std::string_view key, std::string_view value);

private:
    struct Range {
        std::size_t header;  // index of the section's header line
        std::size_t end;     // index of the next header, or the line count
    };

    std::optional<Range> FindSection(std::string_view section) const;
    std::optional<std::size_t> FindKey(const Range& range, std::string_view key) const;
    void InsertKey(const Range& range, std::string line);
    void AppendLine(std::string line);

    bool bom_ = false;
    std::string line_end_ = "\n";     // the file's own line ending, used for added lines
    std::vector<std::string> lines_;  // each with its ending; the last one may have none
};

// The leading decimal integer of the value (0 when there is none); `default_value` when the
// file, the section or the key is missing, or the value is empty.
int GetInt(const std::filesystem::path& file, std::string_view section, std::string_view key,
           int default_value);

std::string GetString(const std::filesystem::path& file, std::string_view section,
                      std::string_view key, std::string_view default_value);

// Sets one key and replaces the file atomically, creating its missing folders (mode 0700).
// When `file` does not exist yet it starts as a copy of `seed` (a shipped default), when given
// and present. False, with a log line, when the names or value cannot be written as one line,
// when the existing file is unreadable or too large (it is then left alone), or when writing
// failed.
bool WriteString(const std::filesystem::path& file, std::string_view section, std::string_view key,
                 std::string_view value, const std::filesystem::path& seed = {});

}  // namespace profile
