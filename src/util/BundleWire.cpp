#include "util/BundleWire.h"

namespace util::bundle_wire {

std::uint16_t Checksum(std::span<const std::uint8_t> bytes) {
    std::uint16_t sum = 0;
    for (const std::uint8_t byte : bytes)
        sum = static_cast<std::uint16_t>(sum + static_cast<std::int8_t>(byte));
    return sum;
}

}  // namespace util::bundle_wire
