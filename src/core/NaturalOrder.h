#pragma once

#include <string_view>

// The order a file manager shows names in: runs of digits compare by their value, letters
// without regard to ASCII case, so "p2" comes before "p10".
namespace natural_order {

// Negative, zero or positive like strcmp. Names equal under these rules (such as "p01" and
// "p1", or "A" and "a") are ordered by their bytes, so distinct names never compare equal.
int Compare(std::string_view a, std::string_view b);

inline bool Less(std::string_view a, std::string_view b) {
    return Compare(a, b) < 0;
}

}  // namespace natural_order
