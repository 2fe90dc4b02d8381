#include "convcore/ScratchFolder.h"

#include <stdlib.h>

#include <system_error>

#include "platform/Paths.h"

namespace convcore {

std::optional<ScratchFolder> ScratchFolder::Create(const std::filesystem::path& parent,
                                                   const std::string& prefix) {
    std::string pattern = (parent / (prefix + "-XXXXXX")).string();
    if (::mkdtemp(pattern.data()) == nullptr)
        return std::nullopt;
    return ScratchFolder(pattern);
}

std::optional<ScratchFolder> ScratchFolder::CreatePrivate(const std::string& prefix) {
    const auto parent = platform::PrivateSubfolder("convcore");
    if (!parent)
        return std::nullopt;
    return Create(*parent, prefix);
}

ScratchFolder::ScratchFolder(ScratchFolder&& other) noexcept : path_(std::move(other.path_)) {
    other.path_.clear();
}

ScratchFolder::~ScratchFolder() {
    std::error_code ignored;
    if (!path_.empty())
        std::filesystem::remove_all(path_, ignored);
}

}  // namespace convcore
