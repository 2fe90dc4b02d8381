#pragma once

#include <filesystem>
#include <optional>
#include <set>
#include <string>

namespace cli {

// Where a batch writes, and the names it gives results: next to each source unless a folder
// was chosen, and never over an existing file ("name(1).ext", "name(2).ext" ...).
class OutputPlace {
public:
    // Results next to each source.
    OutputPlace() = default;
    // Results in `folder`, created with its missing parents as the window's custom folder is;
    // nullopt with the reason when it cannot be had.
    static std::optional<OutputPlace> InFolder(const std::string& folder, std::string* error);

    // The folder a result of `source` goes to; absolute.
    std::filesystem::path FolderFor(const std::string& source) const;

    // `name` in `folder`, or "<stem>(n).<extension>" for the first n from 1 that names neither
    // an existing file nor a result already given to another job of this batch (files of one
    // title from different folders would otherwise share a name in a chosen folder).
    std::filesystem::path ClaimFile(const std::filesystem::path& folder, const std::string& name);

    // A new folder `name` in `parent`, "(1)", "(2)" … appended while that name is taken;
    // created. Nullopt when none could be made.
    std::optional<std::filesystem::path> MakeFolder(const std::filesystem::path& parent,
                                                    const std::string& name);

private:
    explicit OutputPlace(std::filesystem::path folder) : custom_(std::move(folder)) {}

    std::optional<std::filesystem::path> custom_;
    std::set<std::filesystem::path> claimed_;  // results given out in this batch
};

}  // namespace cli
