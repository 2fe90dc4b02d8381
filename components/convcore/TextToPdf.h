#pragma once

#include <cstddef>

#include "convcore/CommandDispatcher.h"

namespace convcore {

// "txt_to_pdf": a plain text file ("source_path") in any of the encodings Windows editors
// save, laid out on A4 pages of a new PDF ("target_path").
void RegisterTextToPdf(CommandDispatcher& dispatcher);

// Files above this size are refused: the whole text is held in memory while it is laid out.
inline constexpr std::size_t kMaxTextFileBytes = std::size_t{32} << 20;

}  // namespace convcore
