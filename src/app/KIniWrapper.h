#pragma once

#include <filesystem>
#include <string>
#include <string_view>

#include "app/IniDocument.h"

namespace cf::ini {

// The ini document of the satisfaction-survey record. It parses and saves exactly like
// KIniFile; it differs in how a file is opened: any readable file counts as loaded, and a
// missing one can be created on the spot. Parse and Serialize are virtual so that a subclass
// may keep another text form while Load and Save stay as they are.
class KIniWrapper : public IniDocument {
public:
    virtual ~KIniWrapper() = default;

    virtual bool Parse(std::string_view text);
    virtual std::string Serialize() const;

    // Clears the document and reads `path` (UTF-8, at most kMaxFileBytes), true whenever the
    // file could be read, whatever the parse gives. When the file is missing and `create` is
    // set, creates its missing folders and an empty file instead and reports whether that
    // worked.
    bool Load(const std::filesystem::path& path, bool create);

    // Replaces `path` atomically, as KIniFile::Save does.
    bool Save(const std::filesystem::path& path) const;

private:
    static bool CreateEmptyFile(const std::filesystem::path& path);
};

}  // namespace cf::ini
