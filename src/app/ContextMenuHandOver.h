#pragma once

#include <filesystem>
#include <string>
#include <vector>

// The files chosen in the file manager's context menu, handed to the program in
// "tarn_quire.tmp": a UTF-16 ini file with section "quiremenu", key "selpath", paths separated
// by "|".
namespace context_menu {

inline constexpr const char* kHandOverFileName = "tarn_quire.tmp";

// Reads and removes the hand-over file of the private runtime folder. Empty when there is no
// file, when it is not a regular file of ours (a symlink, another owner: refused and left
// alone), or when it names no paths. Empty items are dropped.
std::vector<std::string> TakeSelectedPaths();
std::vector<std::string> TakeSelectedPaths(const std::filesystem::path& folder);

}  // namespace context_menu
