#pragma once

#include <tinyxml2.h>

#include <cstddef>
#include <memory>
#include <string>
#include <string_view>

namespace BkWin {

// Resource XML is outside input: anything larger is refused before parsing.
inline constexpr std::size_t kMaxResourceXmlBytes = 4 * 1024 * 1024;

// A parsed resource document whose root element has the expected tag.
struct BkXmlDocument {
    std::unique_ptr<tinyxml2::XMLDocument> document;
    const tinyxml2::XMLElement* root = nullptr;
};

// Null root, with the reason reported as a diagnostic line, when the text is too large, is not
// well-formed XML (tinyxml2 also bounds the nesting depth) or has another root.
BkXmlDocument ParseResourceXml(std::string_view xml, std::string_view root_tag);

}  // namespace BkWin
