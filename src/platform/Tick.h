#pragma once

#include <cstdint>

namespace platform {

// Milliseconds since an arbitrary start, from the monotonic clock, wrapping at 2^32 like the
// Windows tick count: differences taken as uint32_t (or int32_t for short spans) stay right
// across the wrap.
std::uint32_t GetTickCount();

}  // namespace platform
