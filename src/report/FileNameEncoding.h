#pragma once

#include <cstdint>
#include <string>
#include <string_view>

// File names go into usage records in a masked form rather than as plain text.
namespace report {

// Below 62, so that it is one base-62 digit.
inline constexpr int kFileNameMask = 29;

// A number in base 62 (digits 0-9, a-z, A-Z): one digit giving how many digits follow, then
// the digits from the least significant on. 0 is "10".
std::string Base62Number(std::uint64_t number);

// Over the UTF-16 units of `utf8_name`: the mask, the unit count, each unit XOR the mask, and
// the XOR of all units, each written with Base62Number.
std::string EncodeFileName(std::string_view utf8_name);

}  // namespace report
