#pragma once

#include <filesystem>
#include <string>

#include "platform/AtomicFile.h"

// Where each configuration file is read and written. Shipped defaults sit in the program
// folder, which is read-only at run time; whatever the program writes goes to the user folder.
// Files of both kinds are read from the user folder first, so a written copy shadows the
// shipped one.
namespace config {

// Relative names of the configuration files, as the program folder lays them out.
inline constexpr const char* kCommonDat = "common.dat";
inline constexpr const char* kSwitchIni = "switch.ini";
inline constexpr const char* kAbRecordIni = "abrecord.ini";
inline constexpr const char* kUserIni = "user.ini";
inline constexpr const char* kPdfCoreIni = "cfgdata/kpdfcore.ini";
inline constexpr const char* kCacheDat = "data/cache.dat";
inline constexpr const char* kCfgDataIni = "cfgdata/cfgdata.ini";
inline constexpr const char* kCfgDataUserIni = "cfgdata/cfgdata.ini.user";
inline constexpr const char* kDpiSettingIni = "ressrc/chs/dpisetting.ini";
inline constexpr const char* kSkinCfgIni = "data/skin/skincfg.ini";
inline constexpr const char* kUpliveSvr = "ressrc/chs/uplive.svr";
inline constexpr const char* kComponentConfigIni = "cfgdata/componentconfig.ini";

// The two folders, passed in so that tests can stand in for the executable's folder.
struct Folders {
    std::filesystem::path program;
    std::filesystem::path user;

    // platform::ProgramFolder() and platform::UserFolder().
    static Folders Current();

    // A file the program only reads.
    std::filesystem::path Shipped(const std::filesystem::path& relative) const {
        return program / relative;
    }
    // Where a file the program writes goes.
    std::filesystem::path Writable(const std::filesystem::path& relative) const {
        return user / relative;
    }
    // A file the program writes, read back: the user's copy when there is one, else the
    // shipped one.
    std::filesystem::path ReadPath(const std::filesystem::path& relative) const;
};

// Why a bounded read did not give the file: "missing", "too large" or the system's reason.
std::string DescribeReadFailure(const platform::ReadResult& read);

// Creates every missing folder of `folder` with mode 0700 (the user folder holds the device
// identifier and the consent). True when `folder` exists as a folder afterwards.
bool CreateMissingFolders(const std::filesystem::path& folder);

}  // namespace config
