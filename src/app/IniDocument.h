#pragma once

#include <cstddef>
#include <filesystem>
#include <map>
#include <string>
#include <string_view>

// The document behind KIniFile and cf::ini::KIniWrapper: one parser and one serialiser for
// both. Section and key names are kept in ASCII lower case, values as written; both maps are
// ordered by plain byte comparison, which is also the order a saved file lists them in. All
// text is UTF-8.
class IniDocument {
public:
    using Section = std::map<std::string, std::string>;
    using Sections = std::map<std::string, Section>;

    // Larger files are refused without being read.
    static constexpr std::size_t kMaxFileBytes = 0x200000;

    // Adds what `text` holds from its first "[" on. False when there is no "[", or a line
    // without "=", a header with an empty name or an empty key stops the parse; what was read
    // before that line stays in the document.
    bool Parse(std::string_view text);
    bool ParseUtf16(std::u16string_view text);

    // "[section]\r\n" followed by "key=value\r\n" lines, in map order.
    std::string Serialize() const;

    // Look-ups ignore ASCII case.
    std::string GetString(std::string_view section, std::string_view key,
                          std::string_view default_value) const;
    // The `_wtoi` of the stored value (0 when it is not a number), or the default when missing.
    int GetInt(std::string_view section, std::string_view key, int default_value) const;

    // A name or value that could not be read back from the saved file (a line break, a "=" in
    // a key, an empty name) is refused with a log line and changes nothing.
    void SetString(std::string_view section, std::string_view key, std::string_view value);
    void SetInt(std::string_view section, std::string_view key, int value);

    const Sections& sections() const { return sections_; }
    void Clear() { sections_.clear(); }

protected:
    // EF BB BF and `text`, written atomically: the old file stays whole until the new one is
    // complete. True only when every byte reached the file.
    static bool WriteWithBom(const std::filesystem::path& path, std::string_view text);

private:
    const std::string* Find(std::string_view section, std::string_view key) const;

    Sections sections_;
};
