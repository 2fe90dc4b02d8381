#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

namespace BkWin {

// The program's own resources by type ("xml", "png"; compared without case) and numeric id.
// They are compiled into the binary; during development a folder set here (or in
// $QUIRE_RESOURCE_DIR) overrides them file by file, as <folder>/<type>/<id>.<type>.
class BkResource {
public:
    static std::optional<std::string> Find(std::string_view type, int id);
    static void SetOverrideFolder(const std::filesystem::path& folder);
};

}  // namespace BkWin
