#pragma once

#include <deque>
#include <filesystem>
#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

struct zip;
struct zip_source;

namespace reconstruct {

// An Office Open XML package (.docx, .xlsx, .pptx) being written: a zip of parts plus the
// "[Content_Types].xml" that names each part's type. Nothing is written to `target` until
// Finish; the caller gives a work path and renames it when the whole document is done.
class OoxmlPackage {
public:
    // Nullptr with the reason when `target` cannot be created; an existing file is replaced. A
    // folder that cannot be written may only show when Finish fails.
    static std::unique_ptr<OoxmlPackage> Create(const std::filesystem::path& target,
                                                std::string* error);

    // `name` without a leading slash, e.g. "word/document.xml". An empty content type leaves the
    // type to the extension's default (AddDefault).
    bool AddPart(const std::string& name, std::string_view content_type, std::string data,
                 std::string* error);
    // The same with the part's bytes read from `file` while Finish writes the package, so that
    // large parts and pictures never sit in memory; `file` must exist until then.
    bool AddPartFromFile(const std::string& name, std::string_view content_type,
                         const std::filesystem::path& file, std::string* error);
    // The type of every part whose name ends in ".extension" and has no type of its own.
    void AddDefault(const std::string& extension, std::string_view content_type);

    bool Finish(std::string* error);

    ~OoxmlPackage();
    OoxmlPackage(const OoxmlPackage&) = delete;
    OoxmlPackage& operator=(const OoxmlPackage&) = delete;

private:
    explicit OoxmlPackage(zip* archive);
    bool Add(const std::string& name, std::string_view content_type, zip_source* source,
             std::string* error);

    zip* archive_;
    std::deque<std::string> buffers_;  // part data, alive until the archive is closed
    std::map<std::string, std::string> defaults_;
    std::vector<std::pair<std::string, std::string>> overrides_;
};

// Text for XML content and attribute values: markup characters escaped, and characters XML 1.0
// cannot carry (control characters, broken UTF-8) dropped, so that no PDF text can make the
// package unreadable.
std::string XmlEscape(std::string_view text);

// Points to the units Office files use.
inline long Twips(double points) {
    return static_cast<long>(points * 20 + (points < 0 ? -0.5 : 0.5));
}
inline long Emu(double points) {
    return static_cast<long>(points * 12700 + (points < 0 ? -0.5 : 0.5));
}

}  // namespace reconstruct
