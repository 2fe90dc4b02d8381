#pragma once

#include <filesystem>
#include <string>
#include <vector>

namespace document_join {

// Plain text: the parts' bytes one after another, each starting on a new line; byte order
// marks of later parts are dropped.
bool JoinTextFiles(const std::vector<std::filesystem::path>& parts,
                   const std::filesystem::path& target, std::string* error);

// HTML: the first part's page with the body contents of every later part appended to its body.
bool JoinHtmlFiles(const std::vector<std::filesystem::path>& parts,
                   const std::filesystem::path& target, std::string* error);

}  // namespace document_join
