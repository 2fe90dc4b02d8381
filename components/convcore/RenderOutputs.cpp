#include "convcore/RenderOutputs.h"

#include <system_error>

#include "platform/Format.h"

namespace convcore {

const std::filesystem::path& OutputSet::Add(const std::filesystem::path& target) {
    outputs_.push_back(std::make_unique<PendingOutput>(target));
    return outputs_.back()->WorkPath();
}

bool OutputSet::CommitAll(std::string* error) {
    for (std::size_t moved = 0; moved < outputs_.size(); ++moved) {
        if (outputs_[moved]->Commit(error))
            continue;
        std::error_code ignored;
        for (std::size_t undo = 0; undo < moved; ++undo)
            std::filesystem::remove(outputs_[undo]->Target(), ignored);
        return false;
    }
    return true;
}

OutputFolder::~OutputFolder() {
    std::error_code failure;
    for (const std::filesystem::path& level : created_) {
        // Fails, as it should, when something else was put there meanwhile.
        if (!std::filesystem::remove(level, failure) && failure)
            return;
    }
}

bool OutputFolder::Prepare(std::string* error) {
    std::error_code failure;
    if (folder_.empty()) {
        *error = "no output folder given";
        return false;
    }
    if (std::filesystem::is_directory(folder_, failure))
        return true;
    if (std::filesystem::exists(folder_, failure)) {
        *error = platform::Format("%s is not a folder", folder_.string());
        return false;
    }
    std::vector<std::filesystem::path> missing;
    for (std::filesystem::path level = folder_.lexically_normal();
         level.has_relative_path() && !std::filesystem::exists(level, failure);
         level = level.parent_path()) {
        if (!level.filename().empty())  // "a/b/" names the folder "a/b"
            missing.push_back(level);
    }
    // Recorded before the attempt: levels made before a failure are removed again as well.
    created_ = std::move(missing);
    std::filesystem::create_directories(folder_, failure);
    if (failure) {
        *error = platform::Format("cannot create the folder %s: %s", folder_.string(),
                                  failure.message());
        return false;
    }
    return true;
}

bool PrepareOutputFile(const std::filesystem::path& target, OutputFolder& folder,
                       std::string* error) {
    if (target.filename().empty()) {
        *error = "no target file given";
        return false;
    }
    return target.parent_path().empty() || folder.Prepare(error);
}

}  // namespace convcore
