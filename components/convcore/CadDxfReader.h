#pragma once

#include <cstddef>
#include <filesystem>
#include <functional>
#include <string>
#include <string_view>

#include "convcore/CadDrawing.h"

namespace convcore {

inline constexpr std::size_t kMaxDxfFileBytes = std::size_t{512} << 20;
inline constexpr std::size_t kMaxDxfPairs = 50'000'000;

struct DxfReadControl {
    std::function<bool()> cancelled;       // polled every few thousand pairs
    std::function<void(double)> progress;  // share of the text read, 0..1
    std::size_t max_pairs = kMaxDxfPairs;
};

enum class DxfReadStatus { kRead, kCancelled, kFailed };

struct DxfReadResult {
    DxfReadStatus status = DxfReadStatus::kFailed;
    std::string error;        // why it failed
    std::size_t skipped = 0;  // records that draw nothing here (unsupported or damaged)
};

// Reads an ASCII DXF text (R12 to 2018): header facts, layers, line types, block definitions and
// model-space entities. Whatever cannot be read is skipped; the read fails only for a binary
// DXF, a text without sections, too many pairs, or when no model-space entity is left.
DxfReadResult ReadDxf(std::string_view text, const DxfReadControl& control, CadDrawing* drawing);

// The same for a file, refused above kMaxDxfFileBytes.
DxfReadResult ReadDxfFile(const std::filesystem::path& file, const DxfReadControl& control,
                          CadDrawing* drawing);

}  // namespace convcore
