#pragma once

#include <filesystem>
#include <string_view>
#include <vector>

namespace platform {

// The local files named by a dropped "text/uri-list": one URI a line, "#" lines are comments.
// Only file URIs of this machine count; anything else (http, a remote host, a bad escape) is
// skipped, so a drop from a browser never turns into a download or a network path.
std::vector<std::filesystem::path> LocalPathsFromUriList(std::string_view uri_list);

}  // namespace platform
