#pragma once

#include <string>
#include <string_view>

namespace tinyxml2 {
class XMLElement;
}

namespace BkWin {

// The root of every skin and control: something built from one element of a resource.
class CBkObject {
public:
    virtual ~CBkObject() = default;

    virtual bool IsClass(std::string_view tag) const { return tag == GetObjectClass(); }
    // The element tag that creates this class.
    virtual std::string_view GetObjectClass() const = 0;
    // Applies every attribute in document order through SetAttribute, then OnLoaded.
    virtual bool Load(const tinyxml2::XMLElement& element);
    virtual void OnLoaded() {}
    // True when the name was this class's (or a base class's); unknown names are ignored.
    virtual bool SetAttribute(std::string_view name, std::string_view value, bool loading);
};

}  // namespace BkWin
