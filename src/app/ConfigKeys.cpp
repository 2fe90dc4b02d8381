#include "app/ConfigKeys.h"

#include <charconv>

#include "app/KIniFile.h"
#include "app/ProfileIni.h"
#include "platform/Format.h"
#include "platform/Text.h"

namespace config {
namespace {

constexpr const char* kSurveySection = "convert_survey_dlg";
constexpr std::size_t kMaxDisabledChannelChars = 255;
constexpr int kHelpMarkerEdition = 3;

struct MarkKey {
    const char* section;
    const char* key;
};

MarkKey KeyOf(PromptMark mark) {
    switch (mark) {
        case PromptMark::kFeedbackTip:
            return {"feedback_tip", "has_show"};
        case PromptMark::kConverted:
            return {"convert", "has_convert"};
        case PromptMark::kEnhanceConvertTip:
            return {"enhance_convert_tip", "has_show"};
        case PromptMark::kEditPageTip:
            return {"edit_page_tip", "has_show"};
        case PromptMark::kEditPdfTip:
            break;
    }
    return {"showed_dlg", "edit_pdf_tip"};
}

// The readers ignore the load result on purpose: a broken line still leaves the keys above it.
KIniFile LoadShipped(const Folders& folders, const char* relative) {
    KIniFile file;
    file.Load(folders.Shipped(relative), IniEncoding::kUtf8);
    return file;
}

// Files the program writes: read the user's copy first, write the user's copy, and start that
// copy from the shipped file so that its other keys survive the first write.
bool WriteUserProfile(const Folders& folders, const char* relative, std::string_view section,
                      std::string_view key, std::string_view value) {
    return profile::WriteString(folders.Writable(relative), section, key, value,
                                folders.Shipped(relative));
}

std::int64_t ParseSeconds(const std::string& text) {
    std::int64_t value = 0;
    const std::size_t start = text.find_first_not_of(" \t");
    if (start == std::string::npos)
        return 0;
    std::from_chars(text.data() + start, text.data() + text.size(), value);
    return value;
}

std::vector<std::string> SplitNames(std::string_view list) {
    std::vector<std::string> names;
    while (!list.empty()) {
        const std::size_t comma = list.find(',');
        std::string_view item = list.substr(0, comma);
        list = comma == std::string_view::npos ? std::string_view() : list.substr(comma + 1);
        while (!item.empty() && item.front() == ' ')
            item.remove_prefix(1);
        while (!item.empty() && item.back() == ' ')
            item.remove_suffix(1);
        if (!item.empty())
            names.emplace_back(item);
    }
    return names;
}

}  // namespace

SurveyPromptSettings ReadSurveyPromptSettings(const Folders& folders) {
    const KIniFile file = LoadShipped(folders, kSwitchIni);
    SurveyPromptSettings settings;
    settings.enabled = file.GetInt(kSurveySection, "switch", settings.enabled);
    settings.max_shown = file.GetInt(kSurveySection, "count", settings.max_shown);
    settings.interval_days = file.GetInt(kSurveySection, "interval", settings.interval_days);
    settings.help_url = file.GetString(kSurveySection, "help_url", kDefaultSurveyHelpUrl);
    settings.help_switch = file.GetInt(kSurveySection, "help_switch", settings.help_switch);
    return settings;
}

std::vector<std::string> ReadClosePromptOrder(const Folders& folders) {
    const KIniFile file = LoadShipped(folders, kSwitchIni);
    return SplitNames(
        file.GetString("convert_close_dlg_priority", "priority", "evaluate,shortcut,defsoft"));
}

PdfCoreSettings ReadPdfCoreSettings(const Folders& folders) {
    const KIniFile file = LoadShipped(folders, kPdfCoreIni);
    PdfCoreSettings settings;
    settings.memoctrl = file.GetInt("kpdfcore", "memoctrl", settings.memoctrl);
    settings.pdf_to_image = file.GetInt("kpdfcore", "pdf_to_image", settings.pdf_to_image);
    return settings;
}

SurveyPromptRecord ReadSurveyPromptRecord(const Folders& folders) {
    const std::filesystem::path file = folders.ReadPath(kCacheDat);
    SurveyPromptRecord record;
    record.shown_count = profile::GetInt(file, kSurveySection, "show_count", 0);
    record.last_shown = ParseSeconds(profile::GetString(file, kSurveySection, "show_time", "0"));
    return record;
}

bool RecordSurveyPromptShown(std::int64_t now, const Folders& folders) {
    const int shown = ReadSurveyPromptRecord(folders).shown_count;
    return WriteUserProfile(folders, kCacheDat, kSurveySection, "show_count",
                            platform::Format("%d", shown + 1)) &&
           WriteUserProfile(folders, kCacheDat, kSurveySection, "show_time",
                            platform::Format("%d", now));
}

bool IsMarked(PromptMark mark, const Folders& folders) {
    const MarkKey key = KeyOf(mark);
    return profile::GetInt(folders.ReadPath(kCacheDat), key.section, key.key, 0) != 0;
}

bool SetMark(PromptMark mark, bool shown, const Folders& folders) {
    const MarkKey key = KeyOf(mark);
    return WriteUserProfile(folders, kCacheDat, key.section, key.key, shown ? "1" : "0");
}

DpiSettings ReadDpiSettings(const Folders& folders) {
    const std::filesystem::path file = folders.Shipped(kDpiSettingIni);
    DpiSettings settings;
    settings.enabled = profile::GetInt(file, "basesetting", "switch", settings.enabled);
    settings.mode = profile::GetInt(file, "basesetting", "mode", settings.mode);
    settings.debug = profile::GetInt(file, "basesetting", "debug", settings.debug);
    settings.support_process = profile::GetString(file, "basesetting", "supportprocess", "");
    settings.debug_dpi = profile::GetInt(file, "basesetting", "debugdpi", settings.debug_dpi);
    settings.support_rate =
        profile::GetString(file, "basesetting", "supportrate", settings.support_rate);
    return settings;
}

int ReadSkinAlpha(std::string_view skin, const Folders& folders) {
    return profile::GetInt(folders.Shipped(kSkinCfgIni), "alpha", skin, 255);
}

int ReadTryNo(const Folders& folders) {
    return profile::GetInt(folders.Shipped(kUpliveSvr), "Common", "TryNo", 0);
}

std::string ReadDisabledChannel(const Folders& folders) {
    const std::string value =
        profile::GetString(folders.Shipped(kCfgDataIni), "partner", "disable_channel", "");
    return std::string(platform::TruncateChars(value, kMaxDisabledChannelChars));
}

bool ReadHelpMarkerShown(int edition_number, const Folders& folders) {
    if (edition_number != kHelpMarkerEdition)
        return false;
    return profile::GetInt(folders.ReadPath(kCfgDataUserIni), "red_help", "show", 1) != 0;
}

bool ClearHelpMarker(const Folders& folders) {
    return WriteUserProfile(folders, kCfgDataUserIni, "red_help", "show", "0");
}

}  // namespace config
