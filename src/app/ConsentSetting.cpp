#include "app/ConsentSetting.h"

#include <utility>

#include "app/AsynLog.h"
#include "app/ConfigPaths.h"
#include "app/ProfileIni.h"
#include "platform/Paths.h"
#include "platform/RegistryStore.h"

ConsentSetting::ConsentSetting(platform::RegistryStore& store, std::string key)
    : store_(store), key_(std::move(key)) {}

ConsentSetting ConsentSetting::ForProgram() {
    return ConsentSetting(platform::RegistryStore::Instance(),
                          SettingsKey(platform::ProgramFolder() / config::kComponentConfigIni));
}

std::string ConsentSetting::RegistryName(const std::filesystem::path& component_config) {
    const std::string name = profile::GetString(component_config, "Product", "reg_name", "");
    return name.empty() ? kDefaultRegistryName : name;
}

std::string ConsentSetting::SettingsKey(const std::filesystem::path& component_config) {
    return "Software\\" + RegistryName(component_config) + "\\codex";
}

bool ConsentSetting::IsAgreed() const {
    const std::optional<std::uint32_t> value =
        store_.GetDword(platform::RegistryRoot::CurrentUser, key_, kValueName);
    return value == 1u;
}

bool ConsentSetting::Store(bool agreed) {
    if (store_.SetDword(platform::RegistryRoot::CurrentUser, key_, kValueName, agreed ? 1 : 0))
        return true;
    keasy::AsynLog::Instance().Print("ConsentSetting::Store failed key:%s, agreed:%d", key_,
                                     agreed ? 1 : 0);
    return false;
}
