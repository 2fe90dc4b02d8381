#pragma once

#include <cstdint>

namespace platform {

// A class or interface identifier of the component libraries the program loads; its layout
// is shared with libraries built apart from the program.
struct Guid {
    std::uint32_t data1;
    std::uint16_t data2;
    std::uint16_t data3;
    std::uint8_t data4[8];

    friend bool operator==(const Guid&, const Guid&) = default;
};

// The factory such a library exports as "DllGetClassObject": 0 and `*out` set for a known
// class and interface, anything else on failure.
using ClassFactory = std::int32_t(const Guid& class_id, const Guid& interface_id, void** out);

}  // namespace platform
