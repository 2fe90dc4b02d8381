#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <mutex>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

// The Windows registry, kept in ini files: one section per key path, one line per value.
//
//   [Software\Quire\Settings]
//   Width=dword:800
//   Recent=sz:C:\\Docs\\a.txt\nC:\\Docs\\b.txt
//   Token=hex:0aff
//
// Key paths and value names compare with ASCII case folding and keep the spelling they were
// first written with. The files come from outside, so whatever cannot be read is kept verbatim
// and written back in place: the program never loses a line it does not understand.
namespace platform {

enum class RegistryRoot { CurrentUser, LocalMachine };

// DWORD, QWORD, string (UTF-8, or whatever bytes were stored), binary.
using RegistryValue =
    std::variant<std::uint32_t, std::uint64_t, std::string, std::vector<std::uint8_t>>;

// One registry file in memory, exactly as the store reads and writes it.
//
// Value names are escaped so that every value line reads back: "\\" for a backslash, "\n" and
// "\r" for line breaks, "\=" for "=", and "\[" or "\;" for a leading "[" or ";" (which would
// otherwise start a section or a comment). String data escapes only "\\", "\n" and "\r".
//
// A line is kept verbatim, and counted as unparsed, when it is not blank, not a ";" comment and
// not a value line of a readable section: a value that does not parse, a section header that
// names no key, and every line between such a header and the next good one (they belong to a
// key we cannot name, so they must not land in the key above).
class RegistryDocument {
public:
    static RegistryDocument Parse(std::string_view text);
    std::string Serialize() const;

    // Unparsed lines found by Parse, and the 1-based number of the first (0 when none).
    std::size_t unparsed_line_count() const { return unparsed_line_count_; }
    std::size_t first_unparsed_line() const { return first_unparsed_line_; }

    // When a file repeats a key or a name, the last line wins, as if applied top to bottom.
    const RegistryValue* Find(std::string_view key, std::string_view name) const;
    // Returns whether the document changed; an invalid key changes nothing.
    bool Set(std::string_view key, std::string_view name, const RegistryValue& value);
    bool DeleteValue(std::string_view key, std::string_view name);
    // Removes the values of the key and its subkeys; returns whether the key existed. A section
    // that still holds comments or unparsed lines keeps its header so that those lines stay
    // where they were.
    bool DeleteKey(std::string_view key);

    // Backslash-separated with empty segments dropped; nullopt when nothing is left or the path
    // holds a line break, which no section header could carry.
    static std::optional<std::string> NormalizeKey(std::string_view key);

private:
    struct Line {
        std::string verbatim;                // the line as read, when `value` is empty
        std::string name;                    // the value name, when `value` is set
        std::optional<RegistryValue> value;  // set for value lines
    };
    struct Section {
        std::optional<std::string> key;  // empty for lines that belong to no readable key
        std::string folded_key;          // `key` in ASCII lower case, for comparisons
        std::vector<Line> lines;
    };

    struct Position {
        std::size_t section;
        std::size_t line;
    };

    void AddLine(std::string_view raw, std::size_t number);
    void StartSection(std::string_view header, std::string_view raw, std::size_t number);
    void KeepUnparsed(std::string_view raw, std::size_t number);
    Section& Current();
    Section& AppendSection(std::optional<std::string> key);
    Section& SectionForNewValue(const std::string& key, const std::string& folded_key);
    std::optional<Position> LastValueLine(const std::string& folded_key,
                                          std::string_view name) const;
    bool EndsWithBlankLine() const;

    std::vector<Section> sections_;
    std::size_t unparsed_line_count_ = 0;
    std::size_t first_unparsed_line_ = 0;
};

// The program's registry. CurrentUser lives in the user's file, LocalMachine in a read-only
// file of the installation; neither falls back to the other.
//
// Several processes share the user file. Reads parse the file as it is now; every write re-reads
// it under an in-process mutex and a lock file, changes it and replaces it atomically, so that
// concurrent writers all keep their changes. A file over 4 MiB, or one that cannot be read, is
// reported, reads as empty and is never written over.
class RegistryStore {
public:
    static constexpr std::size_t kMaxFileBytes = 4 * 1024 * 1024;

    RegistryStore(std::filesystem::path user_file, std::filesystem::path machine_file,
                  std::chrono::milliseconds lock_timeout = std::chrono::seconds(2));

    // UserFolder()/registry.ini and ProgramFolder()/registry-machine.ini.
    static RegistryStore& Instance();

    // Nullopt when the value is missing or holds another type.
    std::optional<std::uint32_t> GetDword(RegistryRoot root, std::string_view key,
                                          std::string_view name) const;
    std::optional<std::uint64_t> GetQword(RegistryRoot root, std::string_view key,
                                          std::string_view name) const;
    std::optional<std::string> GetString(RegistryRoot root, std::string_view key,
                                         std::string_view name) const;
    std::optional<std::vector<std::uint8_t>> GetBinary(RegistryRoot root, std::string_view key,
                                                       std::string_view name) const;

    // False for LocalMachine, for an invalid key, and when the file could not be written.
    // A value of another type is replaced.
    bool SetDword(RegistryRoot root, std::string_view key, std::string_view name,
                  std::uint32_t value);
    bool SetQword(RegistryRoot root, std::string_view key, std::string_view name,
                  std::uint64_t value);
    bool SetString(RegistryRoot root, std::string_view key, std::string_view name,
                   std::string_view value);
    bool SetBinary(RegistryRoot root, std::string_view key, std::string_view name,
                   std::span<const std::uint8_t> value);

    // Also false when there was nothing to delete.
    bool DeleteValue(RegistryRoot root, std::string_view key, std::string_view name);
    // The key and all its subkeys.
    bool DeleteKey(RegistryRoot root, std::string_view key);

private:
    enum class WriteOutcome { Written, Unchanged, Failed };

    std::optional<RegistryValue> Get(RegistryRoot root, std::string_view key,
                                     std::string_view name) const;
    bool Set(RegistryRoot root, std::string_view key, std::string_view name,
             const RegistryValue& value);
    // Applies `change` to the current user file; it returns whether it changed anything.
    using Change = std::function<bool(RegistryDocument&)>;

    WriteOutcome Write(RegistryRoot root, std::string_view key, const Change& change);
    WriteOutcome ChangeUnderLock(const Change& change);
    std::optional<RegistryDocument> Load(const std::filesystem::path& file) const;
    // Reports `problem` unless it is what was last noted for `file`; "" notes a clean read.
    void NoteFileState(const std::filesystem::path& file, const std::string& problem) const;

    const std::filesystem::path user_file_;
    const std::filesystem::path machine_file_;
    const std::chrono::milliseconds lock_timeout_;

    std::mutex write_mutex_;  // serialises this process's read-modify-write of user_file_

    mutable std::mutex report_mutex_;  // guards last_user_report_ and last_machine_report_
    // The last problem reported per file (guarded by report_mutex_), so that a corrupt file
    // is logged once while it stays the same rather than on every read.
    mutable std::string last_user_report_;
    mutable std::string last_machine_report_;
};

}  // namespace platform
