#pragma once

#include <filesystem>
#include <map>
#include <string>

namespace reconstruct {

// Font matches kept on disk between cores. Matching asks fontconfig, whose start alone (its
// configuration read and parsed) costs a core more than the matches themselves; most documents
// use the fonts the last ones did. The file is trusted only while the fingerprint it was
// written under still holds, so that installed fonts, a changed configuration or a new core
// are seen at once.
class FontMatchStore {
public:
    FontMatchStore(std::filesystem::path file, std::string fingerprint);

    // The stored matches; none when the file is missing, damaged, too large, or was written
    // under another fingerprint.
    std::map<std::string, std::string> Load() const;

    // Adds `matches` to what the file holds now (another core may have added some meanwhile)
    // and replaces it. A cache: a failure is ignored, and the next core matches again.
    void Save(const std::map<std::string, std::string>& matches) const;

private:
    std::filesystem::path file_;
    std::string fingerprint_;
};

// What fontconfig's answers depend on, condensed: the core's own file, fontconfig's environment
// variables, and the modification times of its configuration (each file), its caches and the
// font folders with their direct subfolders.
std::string FontSetupFingerprint();

}  // namespace reconstruct
