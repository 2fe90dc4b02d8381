#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "app/ConfigPaths.h"

// Typed readers and writers for the keys of the configuration files, one group per file, each
// with the default its users expect. Every call opens the file, reads or writes and closes it,
// so a change made while the program runs is seen by the next read.
namespace config {

// switch.ini, [convert_survey_dlg]: the post-conversion survey prompt.
struct SurveyPromptSettings {
    int enabled = 0;        // "switch": the prompt may be shown only when not 0
    int max_shown = 0;      // "count": shown only while the shown counter is below this
    int interval_days = 7;  // "interval": shown only when more than this many days passed
    std::string help_url;   // "help_url": address behind the help link
    int help_switch = 0;    // "help_switch": 0 hides the help link
};

inline constexpr const char* kDefaultSurveyHelpUrl = "http://127.0.0.1:47810/help/survey";

// A file with a broken line still yields the keys above that line.
SurveyPromptSettings ReadSurveyPromptSettings(const Folders& folders = Folders::Current());

// switch.ini, [convert_close_dlg_priority] "priority": the order in which the main dialog
// offers its closing prompts; comma-separated names, spaces around them and empty items
// dropped. Default "evaluate", "shortcut", "defsoft".
std::vector<std::string> ReadClosePromptOrder(const Folders& folders = Folders::Current());

// cfgdata/kpdfcore.ini, [kpdfcore].
struct PdfCoreSettings {
    int memoctrl = 200;
    int pdf_to_image = 2;  // the PDF-to-image operation sets its mode flag exactly when 2
};
PdfCoreSettings ReadPdfCoreSettings(const Folders& folders = Folders::Current());

// data/cache.dat, [convert_survey_dlg]: how often and when the survey prompt was last shown.
struct SurveyPromptRecord {
    int shown_count = 0;
    std::int64_t last_shown = 0;  // seconds since 1970
};
SurveyPromptRecord ReadSurveyPromptRecord(const Folders& folders = Folders::Current());
// Counts one more showing at `now` (seconds since 1970).
bool RecordSurveyPromptShown(std::int64_t now, const Folders& folders = Folders::Current());

// data/cache.dat: marks of prompts already shown.
enum class PromptMark {
    kFeedbackTip,        // [feedback_tip] has_show
    kConverted,          // [convert] has_convert: at least one conversion was started
    kEnhanceConvertTip,  // [enhance_convert_tip] has_show
    kEditPageTip,        // [edit_page_tip] has_show
    kEditPdfTip,         // [showed_dlg] edit_pdf_tip
};
bool IsMarked(PromptMark mark, const Folders& folders = Folders::Current());
bool SetMark(PromptMark mark, bool shown, const Folders& folders = Folders::Current());

// ressrc/chs/dpisetting.ini, [basesetting]: DPI behaviour of the window layer.
struct DpiSettings {
    int enabled = 0;                           // "switch"
    int mode = 2;                              // "mode"
    int debug = 0;                             // "debug"
    std::string support_process;               // "supportprocess"
    int debug_dpi = 96;                        // "debugdpi"
    std::string support_rate = "1.0|1.2|1.5";  // "supportrate": scale factors, "|"-separated
};
DpiSettings ReadDpiSettings(const Folders& folders = Folders::Current());

// data/skin/skincfg.ini, [alpha]: the alpha of one skin, 255 when not listed.
int ReadSkinAlpha(std::string_view skin, const Folders& folders = Folders::Current());

// ressrc/chs/uplive.svr, [Common] TryNo.
int ReadTryNo(const Folders& folders = Folders::Current());

// cfgdata/cfgdata.ini, [partner] disable_channel: at most 255 characters, empty by default.
std::string ReadDisabledChannel(const Folders& folders = Folders::Current());

// cfgdata/cfgdata.ini.user, [red_help] show: whether the help button carries its marker. Only
// edition 3 keeps the marker (default shown); every other edition never shows it.
bool ReadHelpMarkerShown(int edition_number, const Folders& folders = Folders::Current());
// Opening the help clears the marker for good.
bool ClearHelpMarker(const Folders& folders = Folders::Current());

}  // namespace config
