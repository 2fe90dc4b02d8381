#pragma once

#include <filesystem>
#include <optional>
#include <string>

// Names of the files and folders composite tasks write.
namespace output_names {

// The file name without folder and extension.
std::string FileTitle(const std::string& path);
// The text after the last "." of the file name, as written; empty when there is none.
std::string Extension(const std::string& path);
// "<title>(<first>-<last>).<extension>" in `folder` (no dot without an extension): how page
// ranges name their files.
std::string RangeFile(const std::filesystem::path& folder, const std::string& title, int first,
                      int last, const std::string& extension);

// A new folder `name` in `parent`, trailing dots and spaces removed, with "(1)", "(2)" …
// appended while that name is taken; created with its missing parents. Nullopt when none could
// be made.
std::optional<std::filesystem::path> MakeUniqueFolder(const std::filesystem::path& parent,
                                                      std::string name);
// `name` in `folder`, or "<stem>(n).<extension>" with the first n from 1 whose file does not
// exist yet.
std::filesystem::path UniqueFileName(const std::filesystem::path& folder, const std::string& name);

// Whether a split or merge failed because its output place cannot take the files (the folder
// is missing, or the file cannot be written there).
bool IsUnusableOutputPlace(const std::string& error);

// Copies `source` to `target` through a hidden name beside the target, so the target is either
// the whole copy or untouched. False with the reason otherwise.
bool CopyFileAtomically(const std::filesystem::path& source, const std::filesystem::path& target,
                        std::string* error);

}  // namespace output_names
