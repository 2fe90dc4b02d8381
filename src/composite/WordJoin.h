#pragma once

#include <filesystem>
#include <string>
#include <vector>

namespace document_join {

// Joins Word packages into one at `target`: the first part's package, with every later part's
// body appended as new sections that keep that part's page setup. Pictures, links, headers and
// other parts the appended text refers to are copied under new names, and list definitions are
// renumbered so the parts' lists stay apart. False with the reason when a part cannot be read;
// nothing is left at `target` then.
bool JoinWordDocuments(const std::vector<std::filesystem::path>& parts,
                       const std::filesystem::path& target, std::string* error);

}  // namespace document_join
