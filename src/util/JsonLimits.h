#pragma once

#include <cstddef>

namespace BkJsonEx {

// Arrays and objects nested deeper than this are refused, by the parser and by every way of
// growing a tree, so that parsing, writing, comparing and destroying never recurse without
// bound.
inline constexpr std::size_t kMaxDepth = 256;

// Element access may extend an array with nulls only to indexes below this. A stray large index
// must not allocate gigabytes of nulls; elements that already exist are reachable at any index.
inline constexpr std::size_t kGrowIndexLimit = std::size_t{1} << 16;

// Longer texts are refused before parsing; this also keeps every line and column within int.
inline constexpr std::size_t kMaxTextBytes = std::size_t{64} << 20;

// The indentation step of the pretty form written by Write(text, pretty).
inline constexpr int kPrettyStep = 4;

// Indentation stops growing here, whatever indent and step a caller passes.
inline constexpr int kMaxIndent = 4096;

}  // namespace BkJsonEx
