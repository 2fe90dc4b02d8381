#pragma once

#include <filesystem>
#include <string>
#include <string_view>

#include "app/KIniFile.h"

// The application configuration: common.dat in the program folder, an ini text stored as
// Base64. Loaded once during start-up on the UI thread and never changed afterwards, so the
// worker threads that read the host need no lock.
class KAppConfig {
public:
    // Created on first use, destroyed at exit.
    static KAppConfig& Instance();

    // Reads <program folder>/common.dat. False, with a log line saying why, when the file is
    // missing, empty, not Base64, or its text does not parse as ini.
    bool LoadConfig();
    bool LoadConfig(const std::filesystem::path& file);
    // The same for the bytes of the file: Base64 with CR, LF and spaces skipped, decoded up to
    // the first NUL.
    bool LoadFromBytes(std::string_view file_bytes);

    // "common"/"host": scheme and host of the conversion service; empty when not configured.
    std::string Host() const;

    const KIniFile& config() const { return config_; }

private:
    KIniFile config_;  // written by LoadConfig during start-up only; read-only afterwards
};
