#include "platform/gtk/UriList.h"

#include "platform/FileUri.h"

namespace platform {
namespace {

// The list comes from another program: a bound keeps a hostile drop from costing much.
constexpr std::size_t kMaxUriListBytes = 4 << 20;
constexpr std::size_t kMaxDroppedFiles = 4096;

std::string_view TrimLine(std::string_view line) {
    while (!line.empty() && (line.back() == '\r' || line.back() == ' ' || line.back() == '\t'))
        line.remove_suffix(1);
    while (!line.empty() && (line.front() == ' ' || line.front() == '\t'))
        line.remove_prefix(1);
    return line;
}

}  // namespace

std::vector<std::filesystem::path> LocalPathsFromUriList(std::string_view uri_list) {
    std::vector<std::filesystem::path> paths;
    if (uri_list.size() > kMaxUriListBytes)
        return paths;
    while (!uri_list.empty() && paths.size() < kMaxDroppedFiles) {
        const std::size_t end = uri_list.find('\n');
        const std::string_view line = TrimLine(uri_list.substr(0, end));
        uri_list.remove_prefix(end == std::string_view::npos ? uri_list.size() : end + 1);
        if (line.empty() || line.front() == '#')
            continue;
        if (auto path = PathFromFileUri(line))
            paths.emplace_back(std::move(*path));
    }
    return paths;
}

}  // namespace platform
