#pragma once

#include <filesystem>
#include <string>
#include <vector>

namespace document_join {

// Joins `parts` (in order) into one document at `target`, a work path the caller renames: it
// is written completely or not at all. The kind comes from the target's extension: docx, pptx,
// txt and html join; others are refused with the reason. False with the reason on any
// unreadable part; a corrupt part fails cleanly.
// True when documents of `target`'s kind join.
bool CanJoin(const std::filesystem::path& target);

bool JoinDocuments(const std::vector<std::filesystem::path>& parts,
                   const std::filesystem::path& target, std::string* error);

}  // namespace document_join
