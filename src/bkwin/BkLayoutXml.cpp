#include "bkwin/BkLayoutXml.h"

#include <tinyxml2.h>

#include <utility>
#include <vector>

namespace BkWin {
namespace {

bool Fail(std::string* error, std::string message) {
    if (error)
        *error = std::move(message);
    return false;
}

// Walks the tree without recursion so that a deep document cannot exhaust the stack.
bool WithinBounds(const tinyxml2::XMLElement& root, std::string* error) {
    std::vector<std::pair<const tinyxml2::XMLElement*, int>> pending{{&root, 1}};
    int count = 0;
    while (!pending.empty()) {
        const auto [element, depth] = pending.back();
        pending.pop_back();
        if (++count > kMaxLayoutElements)
            return Fail(error,
                        "layout has more than " + std::to_string(kMaxLayoutElements) + " elements");
        if (depth > kMaxLayoutDepth)
            return Fail(error, "layout nests deeper than " + std::to_string(kMaxLayoutDepth));
        for (const tinyxml2::XMLElement* child = element->FirstChildElement(); child;
             child = child->NextSiblingElement()) {
            pending.emplace_back(child, depth + 1);
        }
    }
    return true;
}

}  // namespace

bool ParseLayoutXml(std::string_view xml, std::string_view root, tinyxml2::XMLDocument& document,
                    std::string* error) {
    if (xml.size() > kMaxLayoutBytes)
        return Fail(error, "layout is larger than 4 MiB");
    if (document.Parse(xml.data(), xml.size()) != tinyxml2::XML_SUCCESS)
        return Fail(error, std::string("layout is not well-formed XML: ") + document.ErrorStr());
    const tinyxml2::XMLElement* element = document.RootElement();
    if (!element || root != element->Name())
        return Fail(error, "layout root is not \"" + std::string(root) + "\"");
    return WithinBounds(*element, error);
}

}  // namespace BkWin
