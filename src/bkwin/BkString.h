#pragma once

#include <string>
#include <string_view>

namespace BkWin {

// The string table, XML resource 60002 ("string" root, "s" elements with "id").
class BkString {
public:
    static bool LoadStrings(std::string_view xml);
    static std::string Get(int id);  // empty when unknown
    // Replaces every "%strN%" marker (N > 0); scanning stops at the first malformed marker.
    static std::string ReplaceMarkers(std::string_view text);
    static void Clear();
};

}  // namespace BkWin
