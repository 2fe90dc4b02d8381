#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <type_traits>
#include <vector>

// The byte-level pieces of a bundle's binary form: fixed sizes, little-endian integers and the
// checksum. Every integer in the form is little-endian whatever the host's byte order.
namespace util::bundle_wire {

inline constexpr std::size_t kHeaderSize = 8;
inline constexpr std::size_t kItemHeaderSize = 8;
inline constexpr std::uint16_t kFormatTag = 1;

template <typename U>
void StoreLittleEndian(std::uint8_t* at, U value) {
    static_assert(std::is_unsigned_v<U>);
    for (std::size_t i = 0; i < sizeof(U); ++i)
        at[i] = static_cast<std::uint8_t>(value >> (8 * i));
}

template <typename U>
void AppendLittleEndian(std::vector<std::uint8_t>& out, U value) {
    const std::size_t at = out.size();
    out.resize(at + sizeof(U));
    StoreLittleEndian(out.data() + at, value);
}

// The caller guarantees sizeof(U) readable bytes at `at`.
template <typename U>
U ReadLittleEndian(const std::uint8_t* at) {
    static_assert(std::is_unsigned_v<U>);
    U value = 0;
    for (std::size_t i = 0; i < sizeof(U); ++i)
        value |= static_cast<U>(static_cast<U>(at[i]) << (8 * i));
    return value;
}

// The 16-bit wrapping sum of the bytes, each taken as a signed 8-bit value, so a byte with the
// high bit set lowers the sum.
std::uint16_t Checksum(std::span<const std::uint8_t> bytes);

}  // namespace util::bundle_wire
