#pragma once

#include <atomic>
#include <deque>
#include <filesystem>
#include <string>
#include <vector>

// The program's own merge of page images into tall images, for cores that leave the merge to
// the program.
namespace page_images {

// The files of `folder` whose extension is `extension` (without the dot, any letter case), in
// natural order of their names.
std::vector<std::filesystem::path> ListInNaturalOrder(const std::filesystem::path& folder,
                                                      const std::string& extension);

// Writes `upper` above `lower` into `output`: as wide as the wider, as tall as both, with the
// bit depth of `upper` (alpha kept at 32 bits), each centred horizontally, the rest zero. The
// format follows the output's extension. False when a picture cannot be read, the format
// cannot hold that depth, or the save fails.
bool StackImages(const std::filesystem::path& upper, const std::filesystem::path& lower,
                 const std::filesystem::path& output);

// Merges the pictures, front first, into as few tall images in `target_folder` as stacking
// allows; a picture that cannot be stacked starts the next image. Intermediate files go to
// `scratch_folder`. `stop` ends the merge early between two pictures. Returns the images
// written; each was written under a temporary name and renamed.
std::vector<std::filesystem::path> MergeIntoFolder(std::deque<std::filesystem::path> images,
                                                   const std::filesystem::path& target_folder,
                                                   const std::filesystem::path& scratch_folder,
                                                   const std::atomic<bool>& stop);

}  // namespace page_images
