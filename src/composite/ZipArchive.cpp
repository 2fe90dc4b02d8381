#include "composite/ZipArchive.h"

#include <system_error>

namespace document_join {
namespace {

constexpr std::int64_t kMaxEntries = 50000;

std::string ArchiveError(zip_t* archive) {
    return zip_error_strerror(zip_get_error(archive));
}

}  // namespace

ZipReader::~ZipReader() {
    if (archive_) {
        zip_discard(archive_);
    }
}

bool ZipReader::Open(const std::filesystem::path& path, std::string* error) {
    path_ = path.string();
    int code = 0;
    archive_ = zip_open(path_.c_str(), ZIP_RDONLY | ZIP_CHECKCONS, &code);
    if (!archive_) {
        zip_error_t reason;
        zip_error_init_with_code(&reason, code);
        *error = path_ + " is not a readable package: " + zip_error_strerror(&reason);
        zip_error_fini(&reason);
        return false;
    }
    const std::int64_t count = zip_get_num_entries(archive_, 0);
    if (count < 0 || count > kMaxEntries) {
        *error = path_ + " has too many entries";
        return false;
    }
    names_.reserve(static_cast<size_t>(count));
    for (std::int64_t i = 0; i < count; ++i) {
        const char* name = zip_get_name(archive_, static_cast<zip_uint64_t>(i), ZIP_FL_ENC_GUESS);
        names_.push_back(name ? name : "");
    }
    return true;
}

std::int64_t ZipReader::IndexOf(const std::string& name) const {
    if (!archive_) {
        return -1;
    }
    return zip_name_locate(archive_, name.c_str(), ZIP_FL_ENC_GUESS);
}

bool ZipReader::Has(const std::string& name) const {
    return IndexOf(name) >= 0;
}

bool ZipReader::Read(const std::string& name, std::string* bytes, std::string* error,
                     std::uint64_t limit) const {
    const std::int64_t index = IndexOf(name);
    zip_stat_t stat;
    zip_stat_init(&stat);
    if (index < 0 || zip_stat_index(archive_, static_cast<zip_uint64_t>(index), 0, &stat) != 0 ||
        !(stat.valid & ZIP_STAT_SIZE)) {
        *error = path_ + " lacks " + name;
        return false;
    }
    if (stat.size > limit) {
        *error = path_ + ": " + name + " is too large";
        return false;
    }
    zip_file_t* file = zip_fopen_index(archive_, static_cast<zip_uint64_t>(index), 0);
    if (!file) {
        *error = path_ + ": " + name + " cannot be opened: " + ArchiveError(archive_);
        return false;
    }
    bytes->assign(static_cast<size_t>(stat.size), '\0');
    const zip_int64_t got = zip_fread(file, bytes->data(), stat.size);
    const bool whole = got >= 0 && static_cast<zip_uint64_t>(got) == stat.size;
    if (!whole) {
        *error =
            path_ + ": " + name + " is damaged: " + zip_error_strerror(zip_file_get_error(file));
    }
    zip_fclose(file);
    return whole;
}

void ZipWriter::AddBytes(const std::string& name, std::string bytes) {
    buffers_.push_back(std::move(bytes));
    entries_.push_back({name, &buffers_.back(), nullptr, {}});
    names_.insert(name);
}

void ZipWriter::AddCopy(const std::string& name, const ZipReader& from,
                        const std::string& from_name) {
    entries_.push_back({name, nullptr, &from, from_name});
    names_.insert(name);
}

bool ZipWriter::Has(const std::string& name) const {
    return names_.count(name) > 0;
}

bool ZipWriter::AddEntry(zip_t* archive, const Entry& entry, std::string* error) const {
    zip_source_t* source = nullptr;
    if (entry.bytes) {
        source = zip_source_buffer(archive, entry.bytes->data(), entry.bytes->size(), 0);
    } else {
        const std::int64_t index = entry.reader->IndexOf(entry.reader_name);
        if (index >= 0) {
            source = zip_source_zip(archive, entry.reader->Handle(),
                                    static_cast<zip_uint64_t>(index), 0, 0, -1);
        }
    }
    if (!source) {
        *error = "cannot take " + entry.name + " into the joined package";
        return false;
    }
    if (zip_file_add(archive, entry.name.c_str(), source, ZIP_FL_ENC_UTF_8 | ZIP_FL_OVERWRITE) <
        0) {
        zip_source_free(source);
        *error = "cannot add " + entry.name + ": " + ArchiveError(archive);
        return false;
    }
    return true;
}

bool ZipWriter::Commit(const std::filesystem::path& target, std::string* error) {
    int code = 0;
    zip_t* archive = zip_open(target.string().c_str(), ZIP_CREATE | ZIP_TRUNCATE, &code);
    if (!archive) {
        *error = "cannot create " + target.string();
        return false;
    }
    for (const Entry& entry : entries_) {
        if (!AddEntry(archive, entry, error)) {
            zip_discard(archive);
            return false;
        }
    }
    if (zip_close(archive) != 0) {
        *error = "cannot write " + target.string() + ": " + ArchiveError(archive);
        zip_discard(archive);
        std::error_code ignored;
        std::filesystem::remove(target, ignored);
        return false;
    }
    return true;
}

}  // namespace document_join
