#include "cli/FileOrder.h"

#include <fcntl.h>
#include <sys/stat.h>

#include <algorithm>
#include <cstdint>
#include <filesystem>

#include "core/NaturalOrder.h"

namespace cli {
namespace {

// Nanoseconds since 1970 of the file's birth, or of its last change where the file system
// keeps no birth time; 0 when the file cannot be examined.
std::int64_t CreationTime(const std::string& path) {
    struct statx facts {};
    if (::statx(AT_FDCWD, path.c_str(), 0, STATX_BTIME | STATX_MTIME, &facts) != 0)
        return 0;
    const statx_timestamp& stamp =
        (facts.stx_mask & STATX_BTIME) ? facts.stx_btime : facts.stx_mtime;
    return stamp.tv_sec * 1'000'000'000LL + stamp.tv_nsec;
}

std::string FileName(const SourceFile& file) {
    return std::filesystem::path(file.path).filename().string();
}

}  // namespace

FileOrder ReadFileOrder(OptionReader& options) {
    const int order = options.Choice("sort", {{"name", 1}, {"time", 2}}, 0);
    return order == 1   ? FileOrder::kByName
           : order == 2 ? FileOrder::kByCreation
                        : FileOrder::kAsGiven;
}

void SortFiles(std::vector<SourceFile>& files, FileOrder order) {
    if (order == FileOrder::kByName) {
        std::stable_sort(files.begin(), files.end(), [](const auto& a, const auto& b) {
            return natural_order::Less(FileName(a), FileName(b));
        });
    } else if (order == FileOrder::kByCreation) {
        std::stable_sort(files.begin(), files.end(), [](const auto& a, const auto& b) {
            return CreationTime(a.path) < CreationTime(b.path);
        });
    }
}

}  // namespace cli
