#pragma once

#include <filesystem>
#include <string>
#include <string_view>

// Which index the updater fetches for the conversion components: the channel list
// "ressrc/chs/uplive.svr" (an ini file) names it in the channel whose "CheckFile" is the
// components' check file.
namespace update_index {

inline constexpr std::string_view kDefaultIndexName = "indexpdfsdk_convertersdk_heath";
inline constexpr std::string_view kChannelFile = "ressrc/chs/uplive.svr";

// The index name from the channel list's text; the default when no channel matches or the
// matching channel names no index.
std::string IndexNameFromChannelText(std::string_view text);

// Reads `program_folder`/ressrc/chs/uplive.svr; a missing, oversized or unreadable file gives
// the default.
std::string ReadIndexName(const std::filesystem::path& program_folder);

}  // namespace update_index
