#include "cli/OutputPlace.h"

#include "composite/OutputNames.h"
#include "platform/Format.h"

namespace fs = std::filesystem;

namespace cli {
namespace {

// Far beyond any real folder; only stops a loop over a folder that reports every name taken.
constexpr int kMaxNumber = 10000;

bool Exists(const fs::path& path) {
    std::error_code error;
    return fs::exists(fs::symlink_status(path, error));
}

}  // namespace

std::optional<OutputPlace> OutputPlace::InFolder(const std::string& folder, std::string* error) {
    std::error_code failure;
    const fs::path absolute = fs::absolute(folder, failure);
    if (!failure)
        fs::create_directories(absolute, failure);
    if (failure || !fs::is_directory(absolute)) {
        *error = platform::Format("cannot use the output folder %s: %s", folder,
                                  failure ? failure.message() : "not a folder");
        return std::nullopt;
    }
    return OutputPlace(absolute.lexically_normal());
}

fs::path OutputPlace::FolderFor(const std::string& source) const {
    if (custom_)
        return *custom_;
    std::error_code ignored;
    return fs::absolute(source, ignored).lexically_normal().parent_path();
}

fs::path OutputPlace::ClaimFile(const fs::path& folder, const std::string& name) {
    const std::string stem = fs::path(name).stem().string();
    const std::string extension = output_names::Extension(name);
    fs::path file = folder / name;
    for (int n = 1; (Exists(file) || claimed_.contains(file)) && n <= kMaxNumber; ++n)
        file = folder / platform::Format("%s(%d).%s", stem, n, extension);
    claimed_.insert(file);
    return file;
}

std::optional<fs::path> OutputPlace::MakeFolder(const fs::path& parent, const std::string& name) {
    return output_names::MakeUniqueFolder(parent, name);
}

}  // namespace cli
