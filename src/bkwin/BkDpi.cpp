#include "bkwin/BkDpi.h"

#include <charconv>
#include <cmath>
#include <string_view>
#include <vector>

#include "bkwin/BkIniFile.h"
#include "platform/Paths.h"

namespace BkWin {
namespace {

namespace fs = std::filesystem;

constexpr int kBaseDpi = 96;
constexpr std::string_view kSection = "basesetting";

struct Settings {
    int scaling_switch = 0;
    int mode = 2;
    int debug = 0;
    int debug_dpi = kBaseDpi;
    std::string support_process;
    std::vector<float> support_rates;  // in the order written, ascending
};

// Every cached decision; UI thread only.
struct State {
    std::optional<Settings> settings;
    std::optional<bool> enabled;
    std::optional<float> rate;
    bool forced = false;
    int screen_dpi = kBaseDpi;
    std::optional<fs::path> program_folder;  // set by tests
    std::optional<std::string> executable_name;
};

State& Current() {
    static State state;
    return state;
}

fs::path ProgramFolder() {
    return Current().program_folder.value_or(platform::ProgramFolder());
}

std::string ExecutableName() {
    if (Current().executable_name)
        return *Current().executable_name;
    std::error_code error;
    return fs::read_symlink("/proc/self/exe", error).stem().string();
}

std::vector<float> ParseRates(std::string_view text) {
    std::vector<float> rates;
    while (true) {
        const std::size_t bar = text.find('|');
        std::string_view item = text.substr(0, bar);
        while (!item.empty() && item.front() == ' ')
            item.remove_prefix(1);
        double value = 0;
        const auto [end, error] = std::from_chars(item.data(), item.data() + item.size(), value);
        if (error == std::errc() && end != item.data())
            rates.push_back(static_cast<float>(value));
        if (bar == std::string_view::npos)
            return rates;
        text.remove_prefix(bar + 1);
    }
}

const Settings& LoadedSettings() {
    State& state = Current();
    if (state.settings)
        return *state.settings;
    Settings settings;
    const auto ini = BkIniFile::Load(ProgramFolder() / "ressrc" / "chs" / "dpisetting.ini");
    const BkIniFile file = ini.value_or(BkIniFile::Parse(""));
    settings.scaling_switch = file.GetInt(kSection, "switch", 0);
    settings.mode = file.GetInt(kSection, "mode", 2);
    settings.debug = file.GetInt(kSection, "debug", 0);
    settings.debug_dpi = file.GetInt(kSection, "debugdpi", kBaseDpi);
    settings.support_process = file.GetString(kSection, "supportprocess").value_or("");
    settings.support_rates =
        ParseRates(file.GetString(kSection, "supportrate").value_or("1.0|1.2|1.5"));
    state.settings = std::move(settings);
    return *state.settings;
}

// Both awareness modes have their equivalent here: the window layer always draws in device
// pixels and reports the screen's DPI.
bool SystemOffersMode(int mode) {
    return mode == 1 || mode == 2;
}

int EffectiveDpi(const Settings& settings) {
    if (settings.debug != 0) {
        const std::string name = ExecutableName();
        const bool listed =
            !name.empty() && settings.support_process.find(name) != std::string::npos;
        return listed ? settings.debug_dpi : kBaseDpi;
    }
    return Current().screen_dpi;
}

float ChooseRate(const Settings& settings) {
    const double ratio = static_cast<double>(EffectiveDpi(settings)) / kBaseDpi;
    for (auto rate = settings.support_rates.rbegin(); rate != settings.support_rates.rend();
         ++rate) {
        if (*rate <= ratio)
            return *rate < 1.0f ? 1.0f : *rate;
    }
    return 1.0f;
}

// "%s/%.1f/%s/%d_%.1f.%s", with the rate written the same whatever the process locale.
fs::path ImageFile(int png_id, float rate) {
    char digits[32];
    const auto result = std::to_chars(digits, digits + sizeof digits, static_cast<double>(rate),
                                      std::chars_format::fixed, 1);
    const std::string rate_text(digits, result.ptr);
    return ProgramFolder() / "ressrc" / "chs" / "dpiimg" / rate_text / ExecutableName() /
           (std::to_string(png_id) + "_" + rate_text + ".png");
}

bool ImageExists(int png_id, float rate) {
    std::error_code error;
    return fs::is_regular_file(ImageFile(png_id, rate), error);
}

// The closest other rate that has an image; on a tie the larger one.
std::optional<float> NearestOtherRate(int png_id, float rate) {
    std::optional<float> best;
    for (float candidate : LoadedSettings().support_rates) {
        if (candidate <= 1.0f || candidate == rate || !ImageExists(png_id, candidate))
            continue;
        const float distance = std::fabs(candidate - rate);
        if (!best || distance < std::fabs(*best - rate) ||
            (distance == std::fabs(*best - rate) && candidate > *best))
            best = candidate;
    }
    return best;
}

}  // namespace

bool BkDpi::IsEnabled() {
    State& state = Current();
    if (state.enabled)
        return *state.enabled;
    const Settings& settings = LoadedSettings();
    bool enabled = settings.debug != 0;
    if (!enabled && settings.scaling_switch != 0)
        enabled = state.forced || SystemOffersMode(settings.mode);
    state.enabled = enabled;
    return enabled;
}

float BkDpi::Rate() {
    State& state = Current();
    if (!state.rate)
        state.rate = ChooseRate(LoadedSettings());
    return *state.rate;
}

float BkDpi::DrawRate(bool dpi) {
    return dpi && IsEnabled() ? Rate() : 1.0f;
}

int BkDpi::Scale(int value) {
    if (!IsEnabled())
        return value;
    return static_cast<int>(Rate() * static_cast<float>(value));
}

int BkDpi::Unscale(int value) {
    if (!IsEnabled())
        return value;
    return static_cast<int>(static_cast<float>(value) / Rate());
}

std::optional<BkDpi::ScaledImage> BkDpi::PreScaledImage(int png_id) {
    if (!IsEnabled())
        return std::nullopt;
    const float rate = Rate();
    if (rate == 1.0f)
        return std::nullopt;
    if (ImageExists(png_id, rate))
        return ScaledImage{ImageFile(png_id, rate), rate};
    const std::optional<float> other = NearestOtherRate(png_id, rate);
    if (!other || std::fabs(*other - rate) > rate - 1.0f)
        return std::nullopt;
    return ScaledImage{ImageFile(png_id, *other), *other};
}

void BkDpi::ForceEnabled() {
    Current().forced = true;
    Current().enabled.reset();
}

void BkDpi::SetScreenDpi(int dpi) {
    if (dpi > 0)
        Current().screen_dpi = dpi;
}

void BkDpi::ResetForTesting() {
    State& state = Current();
    state.settings.reset();
    state.enabled.reset();
    state.rate.reset();
    state.forced = false;
    state.screen_dpi = kBaseDpi;
}

void BkDpi::SetProgramForTesting(const std::filesystem::path& folder,
                                 const std::string& executable_name) {
    Current().program_folder = folder;
    Current().executable_name = executable_name;
}

}  // namespace BkWin
