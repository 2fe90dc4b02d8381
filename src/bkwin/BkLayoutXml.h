#pragma once

#include <string>
#include <string_view>

namespace tinyxml2 {
class XMLDocument;
}

namespace BkWin {

// Layouts are outside input: bounded in size, element count and depth.
inline constexpr std::size_t kMaxLayoutBytes = 4 * 1024 * 1024;
inline constexpr int kMaxLayoutElements = 20000;
inline constexpr int kMaxLayoutDepth = 48;

// Parses a layout (a UTF-8 byte-order mark is allowed) and checks its bounds and root tag.
// On failure `error`, when given, says why.
bool ParseLayoutXml(std::string_view xml, std::string_view root, tinyxml2::XMLDocument& document,
                    std::string* error);

}  // namespace BkWin
