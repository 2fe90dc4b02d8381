#pragma once

#include <zip.h>

#include <cstdint>
#include <filesystem>
#include <list>
#include <string>
#include <unordered_set>
#include <vector>

namespace document_join {

// One package opened for reading. Entries are read whole into memory only when asked, and only
// up to a size limit, so a hostile archive claiming huge entries cannot exhaust memory.
class ZipReader {
public:
    ZipReader() = default;
    ~ZipReader();
    ZipReader(const ZipReader&) = delete;
    ZipReader& operator=(const ZipReader&) = delete;

    bool Open(const std::filesystem::path& path, std::string* error);
    const std::vector<std::string>& Names() const { return names_; }
    bool Has(const std::string& name) const;
    // False (with the reason) when the entry is missing, larger than `limit` or unreadable.
    bool Read(const std::string& name, std::string* bytes, std::string* error,
              std::uint64_t limit = kXmlLimit) const;
    zip_t* Handle() const { return archive_; }
    std::int64_t IndexOf(const std::string& name) const;

    static constexpr std::uint64_t kXmlLimit = 512ull << 20;

private:
    zip_t* archive_ = nullptr;
    std::string path_;
    std::vector<std::string> names_;
};

// A package being written. Entries come either from memory or straight from an open reader
// (media are copied without being inflated); the readers must outlive Commit.
class ZipWriter {
public:
    void AddBytes(const std::string& name, std::string bytes);
    void AddCopy(const std::string& name, const ZipReader& from, const std::string& from_name);
    bool Has(const std::string& name) const;
    // Writes every entry to `target`; on failure nothing is left at `target`.
    bool Commit(const std::filesystem::path& target, std::string* error);

private:
    struct Entry {
        std::string name;
        const std::string* bytes = nullptr;
        const ZipReader* reader = nullptr;
        std::string reader_name;
    };
    bool AddEntry(zip_t* archive, const Entry& entry, std::string* error) const;

    std::list<std::string> buffers_;  // stable addresses for libzip until Commit
    std::vector<Entry> entries_;
    std::unordered_set<std::string> names_;
};

}  // namespace document_join
