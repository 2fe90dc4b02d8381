#include "composite/ContentTypes.h"

#include <tinyxml2.h>

#include "composite/OoxmlParts.h"

namespace document_join {
namespace {

constexpr const char* kContentTypesNs =
    "http://schemas.openxmlformats.org/package/2006/content-types";

std::string AttributeOf(const tinyxml2::XMLElement* e, const char* name) {
    const char* value = e->Attribute(name);
    return value ? value : "";
}

std::string LowerCase(std::string text) {
    for (char& c : text) {
        if (c >= 'A' && c <= 'Z') {
            c = static_cast<char>(c - 'A' + 'a');
        }
    }
    return text;
}

}  // namespace

bool ContentTypes::Parse(const std::string& xml, std::string* error) {
    tinyxml2::XMLDocument document;
    if (!ParseXml(xml, &document, kPartName, error)) {
        return false;
    }
    const tinyxml2::XMLElement* root = document.RootElement();
    for (const tinyxml2::XMLElement* e = root->FirstChildElement("Default"); e;
         e = e->NextSiblingElement("Default")) {
        defaults_.emplace_back(LowerCase(AttributeOf(e, "Extension")),
                               AttributeOf(e, "ContentType"));
    }
    for (const tinyxml2::XMLElement* e = root->FirstChildElement("Override"); e;
         e = e->NextSiblingElement("Override")) {
        std::string part = AttributeOf(e, "PartName");
        if (!part.empty() && part.front() == '/') {
            part.erase(0, 1);
        }
        overrides_[part] = AttributeOf(e, "ContentType");
    }
    return true;
}

std::string ContentTypes::DefaultFor(const std::string& extension) const {
    for (const auto& [known, type] : defaults_) {
        if (known == extension) {
            return type;
        }
    }
    return {};
}

std::string ContentTypes::TypeOf(const std::string& part) const {
    const auto found = overrides_.find(part);
    return found != overrides_.end() ? found->second : DefaultFor(ExtensionOf(part));
}

void ContentTypes::Adopt(const std::string& part, const ContentTypes& source,
                         const std::string& source_part) {
    const auto overridden = source.overrides_.find(source_part);
    if (overridden != source.overrides_.end()) {
        overrides_[part] = overridden->second;
        return;
    }
    const std::string extension = ExtensionOf(part);
    if (!DefaultFor(extension).empty()) {
        return;
    }
    const std::string type = source.DefaultFor(ExtensionOf(source_part));
    defaults_.emplace_back(extension, type.empty() ? "application/octet-stream" : type);
}

void ContentTypes::SetOverride(const std::string& part, const std::string& type) {
    overrides_[part] = type;
}

std::string ContentTypes::Xml() const {
    tinyxml2::XMLDocument document;
    document.InsertEndChild(
        document.NewDeclaration("xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\""));
    tinyxml2::XMLElement* root = document.NewElement("Types");
    root->SetAttribute("xmlns", kContentTypesNs);
    document.InsertEndChild(root);
    for (const auto& [extension, type] : defaults_) {
        tinyxml2::XMLElement* e = root->InsertNewChildElement("Default");
        e->SetAttribute("Extension", extension.c_str());
        e->SetAttribute("ContentType", type.c_str());
    }
    for (const auto& [part, type] : overrides_) {
        tinyxml2::XMLElement* e = root->InsertNewChildElement("Override");
        e->SetAttribute("PartName", ("/" + part).c_str());
        e->SetAttribute("ContentType", type.c_str());
    }
    return PrintXml(document);
}

}  // namespace document_join
