#include "composite/Relationships.h"

#include <tinyxml2.h>

#include "composite/OoxmlParts.h"

namespace document_join {
namespace {

constexpr const char* kPackageRelationshipsNs =
    "http://schemas.openxmlformats.org/package/2006/relationships";
constexpr size_t kMaxRelationships = 100000;

}  // namespace

bool Relationships::Parse(const std::string& xml, std::string* error) {
    tinyxml2::XMLDocument document;
    if (!ParseXml(xml, &document, "a relationships part", error)) {
        return false;
    }
    for (const tinyxml2::XMLElement* e = document.RootElement()->FirstChildElement("Relationship");
         e; e = e->NextSiblingElement("Relationship")) {
        if (items_.size() >= kMaxRelationships) {
            *error = "a relationships part has too many entries";
            return false;
        }
        Relationship item;
        item.id = e->Attribute("Id") ? e->Attribute("Id") : "";
        item.type = e->Attribute("Type") ? e->Attribute("Type") : "";
        item.target = e->Attribute("Target") ? e->Attribute("Target") : "";
        item.external = e->Attribute("TargetMode", "External") != nullptr;
        ids_.insert(item.id);
        items_.push_back(std::move(item));
    }
    return true;
}

const Relationship* Relationships::Find(const std::string& id) const {
    for (const Relationship& item : items_) {
        if (item.id == id) {
            return &item;
        }
    }
    return nullptr;
}

const Relationship* Relationships::FindType(const std::string& type_suffix) const {
    const std::string ending = "/" + type_suffix;
    for (const Relationship& item : items_) {
        if (item.type.size() >= ending.size() &&
            item.type.compare(item.type.size() - ending.size(), ending.size(), ending) == 0) {
            return &item;
        }
    }
    return nullptr;
}

std::string Relationships::Add(const std::string& type, const std::string& target, bool external) {
    std::string id;
    do {
        id = "rId" + std::to_string(next_id_++);
    } while (ids_.count(id));
    ids_.insert(id);
    items_.push_back({id, type, target, external});
    return id;
}

std::string Relationships::Xml() const {
    tinyxml2::XMLDocument document;
    document.InsertEndChild(
        document.NewDeclaration("xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\""));
    tinyxml2::XMLElement* root = document.NewElement("Relationships");
    root->SetAttribute("xmlns", kPackageRelationshipsNs);
    document.InsertEndChild(root);
    for (const Relationship& item : items_) {
        tinyxml2::XMLElement* e = root->InsertNewChildElement("Relationship");
        e->SetAttribute("Id", item.id.c_str());
        e->SetAttribute("Type", item.type.c_str());
        e->SetAttribute("Target", item.target.c_str());
        if (item.external) {
            e->SetAttribute("TargetMode", "External");
        }
    }
    return PrintXml(document);
}

}  // namespace document_join
