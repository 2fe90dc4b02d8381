#pragma once

#include <filesystem>
#include <string>
#include <vector>

namespace document_join {

// Joins presentation packages into one at `target`: the first part's package with every later
// part's slides appended in order. Appended slides use the first part's layout of the same name
// (else its first layout) and keep their pictures; speaker notes are not carried. The slide
// size is the first part's. False with the reason when a part cannot be read.
bool JoinPresentations(const std::vector<std::filesystem::path>& parts,
                       const std::filesystem::path& target, std::string* error);

}  // namespace document_join
