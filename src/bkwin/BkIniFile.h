#pragma once

#include <cstddef>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace BkWin {

// A read-only profile file with the Windows reading rules: section and key names compare
// ignoring ASCII case, values are trimmed and lose one pair of surrounding quotes, the first
// matching section and key win. (The framework sits below the program's own profile code.)
class BkIniFile {
public:
    // Larger files are treated as unreadable.
    static constexpr std::size_t kMaxFileBytes = 1024 * 1024;

    // Nothing when the file is missing, unreadable or too large.
    static std::optional<BkIniFile> Load(const std::filesystem::path& file);
    static BkIniFile Parse(std::string_view text);

    std::optional<std::string> GetString(std::string_view section, std::string_view key) const;
    // The leading decimal integer of the value; `default_value` when the key is missing or empty.
    int GetInt(std::string_view section, std::string_view key, int default_value) const;

private:
    struct Entry {
        std::string section;
        std::string key;
        std::string value;
    };
    std::vector<Entry> entries_;
};

}  // namespace BkWin
