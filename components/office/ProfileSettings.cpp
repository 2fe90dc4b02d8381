#include "ProfileSettings.h"

#include <sys/stat.h>

#include <cerrno>
#include <cstring>
#include <string_view>

#include "platform/AtomicFile.h"

namespace officehelper {
namespace {

struct Setting {
    const char* path;
    const char* name;
    const char* value;
};

constexpr Setting kSettings[] = {
    // Spreadsheets are printed as they compute now: a cached result may be missing (files from
    // generators) or stale.
    {"/org.openoffice.Office.Calc/Formula/Load", "OOXMLRecalcMode", "0"},
    {"/org.openoffice.Office.Calc/Formula/Load", "ODFRecalcMode", "0"},
    // Chinese text without a language of its own is Simplified Chinese, so it gets an SC face
    // instead of the Japanese forms a Japanese or undecided locale would pick.
    {"/org.openoffice.Office.Linguistic/General", "DefaultLocale_CJK", "zh-CN"},
    // Nothing that waits for a person.
    {"/org.openoffice.Setup/Office", "ooSetupInstCompleted", "true"},
    {"/org.openoffice.Office.Common/Misc", "FirstRun", "false"},
    {"/org.openoffice.Office.Common/Misc", "ShowTipOfTheDay", "false"},
    {"/org.openoffice.Office.Common/Misc", "CrashReport", "false"},
    {"/org.openoffice.Office.Recovery/RecoveryInfo", "Enabled", "false"},
    {"/org.openoffice.Office.Recovery/AutoSave", "Enabled", "false"},
    {"/org.openoffice.Office.Recovery/AutoSave", "UserAutoSaveEnabled", "false"},
    // No lock file beside the user's document: a killed helper would leave it behind.
    {"/org.openoffice.Office.Common/Misc", "UseLocking", "false"},
    // Documents come from anywhere: their macros never run and their links are never followed.
    {"/org.openoffice.Office.Common/Security/Scripting", "MacroSecurityLevel", "3"},
    {"/org.openoffice.Office.Common/Security/Scripting", "DisableMacrosExecution", "true"},
    {"/org.openoffice.Office.Common/Security/Scripting", "BlockUntrustedRefererLinks", "true"},
    {"/org.openoffice.Office.Writer/Content/Update", "Link", "2"},  // never
    {"/org.openoffice.Office.Calc/Content/Update", "Link", "1"},    // never
};

constexpr std::size_t kLargestSettingsFile = 4u << 20;

std::string ItemKey(const Setting& setting) {
    return std::string("<item oor:path=\"") + setting.path + "\"><prop oor:name=\"" + setting.name +
           "\"";
}

bool IsOurs(std::string_view line) {
    for (const Setting& setting : kSettings) {
        if (line.find(ItemKey(setting)) != std::string_view::npos)
            return true;
    }
    return false;
}

// Our settings over what the profile holds. LibreOffice writes one item per line and keeps
// facts of its own there (such as which extensions it has checked; without them every start
// checks them again and takes seconds longer), so its lines stay and ours replace their
// counterparts; a user's or an older helper's change to one of ours is undone.
std::string MergedSettings(std::string_view existing) {
    std::string xml =
        "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
        "<oor:items xmlns:oor=\"http://openoffice.org/2001/registry\" "
        "xmlns:xs=\"http://www.w3.org/2001/XMLSchema\" "
        "xmlns:xsi=\"http://www.w3.org/2001/XMLSchema-instance\">\n";
    while (!existing.empty()) {
        const std::size_t end = existing.find('\n');
        const std::string_view line = existing.substr(0, end);
        existing.remove_prefix(end == std::string_view::npos ? existing.size() : end + 1);
        if (line.starts_with("<item ") && line.ends_with("</item>") && !IsOurs(line))
            xml.append(line).append("\n");
    }
    for (const Setting& setting : kSettings) {
        xml += ItemKey(setting) + " oor:op=\"fuse\"><value>" + setting.value +
               "</value></prop></item>\n";
    }
    return xml + "</oor:items>\n";
}

bool MakePrivateFolder(const std::filesystem::path& folder, std::string* error) {
    if (::mkdir(folder.c_str(), 0700) == 0 || errno == EEXIST)
        return true;
    *error = "cannot create " + folder.string() + ": " + std::strerror(errno);
    return false;
}

}  // namespace

bool WriteProfileSettings(const std::filesystem::path& profile_folder, std::string* error) {
    const std::filesystem::path user = profile_folder / "user";
    if (!MakePrivateFolder(profile_folder, error) || !MakePrivateFolder(user, error))
        return false;
    const std::filesystem::path file = user / "registrymodifications.xcu";
    const platform::ReadResult existing = platform::ReadFileBounded(file, kLargestSettingsFile);
    return platform::WriteFileAtomically(file, MergedSettings(existing.bytes), 0600, error);
}

}  // namespace officehelper
