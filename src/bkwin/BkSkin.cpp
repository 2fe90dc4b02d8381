#include "bkwin/BkSkin.h"

#include <functional>
#include <string>
#include <unordered_map>

#include "bkwin/BkPngSkin.h"
#include "bkwin/BkXml.h"

namespace BkWin {
namespace {

// UI thread only.
std::unordered_map<std::string, std::unique_ptr<CBkSkinBase>>& Registry() {
    static std::unordered_map<std::string, std::unique_ptr<CBkSkinBase>> registry;
    return registry;
}

// The skin kinds this framework draws, by element tag; other tags are skipped.
std::unique_ptr<CBkSkinBase> CreateSkin(std::string_view tag) {
    using Factory = std::function<std::unique_ptr<CBkSkinBase>()>;
    static const std::pair<std::string_view, Factory> kKinds[] = {
        {CBkPngSkin::kTag, [] { return std::make_unique<CBkPngSkin>(); }},
    };
    for (const auto& [kind, factory] : kKinds) {
        if (kind == tag)
            return factory();
    }
    return nullptr;
}

}  // namespace

bool BkSkin::LoadSkins(std::string_view xml) {
    const BkXmlDocument parsed = ParseResourceXml(xml, "skins");
    if (parsed.root == nullptr)
        return false;
    for (const tinyxml2::XMLElement* element = parsed.root->FirstChildElement(); element != nullptr;
         element = element->NextSiblingElement()) {
        const char* name = element->Attribute("name");
        if (name == nullptr || *name == '\0' || Registry().contains(name))
            continue;
        std::unique_ptr<CBkSkinBase> skin = CreateSkin(element->Name());
        if (skin == nullptr || !skin->Load(*element))
            continue;
        Registry().emplace(name, std::move(skin));
    }
    return true;
}

CBkSkinBase* BkSkin::GetSkin(std::string_view name) {
    const auto found = Registry().find(std::string(name));
    return found != Registry().end() ? found->second.get() : nullptr;
}

void BkSkin::Clear() {
    Registry().clear();
}

}  // namespace BkWin
