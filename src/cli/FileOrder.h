#pragma once

#include <vector>

#include "cli/OptionReader.h"
#include "cli/SourceFile.h"

namespace cli {

// The order of the windows that merge files: as added, or sorted by their "按文件名" and
// "按创建时间" radios.
enum class FileOrder { kAsGiven, kByName, kByCreation };

// --sort name|time.
FileOrder ReadFileOrder(OptionReader& options);
// Stable, so files that compare equal keep the order given.
void SortFiles(std::vector<SourceFile>& files, FileOrder order);

}  // namespace cli
