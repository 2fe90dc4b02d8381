#pragma once

#include <cstdint>

// 64-bit values cross the adapter and client interfaces as two 32-bit halves.
namespace report {

inline std::uint32_t Low32(std::int64_t value) {
    return static_cast<std::uint32_t>(static_cast<std::uint64_t>(value));
}

inline std::uint32_t High32(std::int64_t value) {
    return static_cast<std::uint32_t>(static_cast<std::uint64_t>(value) >> 32);
}

inline std::int64_t Join64(std::uint32_t low, std::uint32_t high) {
    return static_cast<std::int64_t>((static_cast<std::uint64_t>(high) << 32) | low);
}

}  // namespace report
