#pragma once

#include <filesystem>
#include <string>

namespace platform {
class RegistryStore;
}

// The user's consent to sending files to the online conversion service: the DWORD
// "deep_convert_switch" under "Software\<registry name>\codex" in the current user's registry
// store. Only a stored 1 counts as consent; a missing key or value, an unreadable store or a
// value of another type means "not agreed", so nothing is ever uploaded without asking.
class ConsentSetting {
public:
    static constexpr const char* kValueName = "deep_convert_switch";
    static constexpr const char* kDefaultRegistryName = "swiftleaf";

    ConsentSetting(platform::RegistryStore& store, std::string key);

    // The program's store and the key named by <program folder>/cfgdata/componentconfig.ini.
    static ConsentSetting ForProgram();

    // "reg_name" of section "Product" in the component configuration, or "swiftleaf" when the
    // file names none.
    static std::string RegistryName(const std::filesystem::path& component_config);
    static std::string SettingsKey(const std::filesystem::path& component_config);

    bool IsAgreed() const;
    // Stores 1 or 0; false, with a log line, when the store could not be written.
    bool Store(bool agreed);

    const std::string& key() const { return key_; }

private:
    platform::RegistryStore& store_;
    const std::string key_;
};
