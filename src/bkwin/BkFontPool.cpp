#include "bkwin/BkFontPool.h"

#include <fontconfig/fontconfig.h>

#include <algorithm>
#include <cstdlib>
#include <map>
#include <unordered_map>
#include <vector>

#include "bkwin/BkDpi.h"
#include "platform/Text.h"

namespace BkWin {
namespace {

constexpr std::uint16_t kItalic = 0x1;
constexpr std::uint16_t kUnderline = 0x2;
constexpr std::uint16_t kBold = 0x4;
constexpr int kDefaultHeight = -12;
constexpr std::string_view kSansFace = "微软雅黑";
constexpr std::string_view kSerifFace = "宋体";

// The Windows faces the resources name and the installed families that stand in for them,
// best first; the generic family (with Chinese as the language) when none is installed.
struct FaceRule {
    std::vector<std::string_view> faces;
    std::vector<std::string> families;
    const char* generic;
};

const std::vector<FaceRule>& FaceRules() {
    static const std::vector<FaceRule> rules{
        {{kSansFace, "Microsoft YaHei", "Microsoft YaHei UI"}, {"Noto Sans CJK SC"}, "sans-serif"},
        {{kSerifFace, "SimSun", "新宋体", "NSimSun"},
         {"Noto Serif CJK SC", "AR PL UMing CN", "AR PL UMing"},
         "serif"},
    };
    return rules;
}

struct PoolState {
    std::string base_face{kSerifFace};
    int base_height = kDefaultHeight;
    std::unordered_map<std::uint32_t, BkFont> fonts;           // by code and DPI flag
    std::map<std::string, std::string, std::less<>> families;  // face → installed family
};

// UI thread only.
PoolState& State() {
    static PoolState state;
    return state;
}

FcPattern* Match(const char* family, const char* language) {
    FcPattern* pattern = FcPatternCreate();
    FcPatternAddString(pattern, FC_FAMILY, reinterpret_cast<const FcChar8*>(family));
    if (language != nullptr)
        FcPatternAddString(pattern, FC_LANG, reinterpret_cast<const FcChar8*>(language));
    FcConfigSubstitute(nullptr, pattern, FcMatchPattern);
    FcDefaultSubstitute(pattern);
    FcResult result = FcResultNoMatch;
    FcPattern* match = FcFontMatch(nullptr, pattern, &result);
    FcPatternDestroy(pattern);
    return match;
}

// Whether fontconfig's best match for `family` is that family itself, not a substitute.
bool IsInstalled(const std::string& family) {
    FcPattern* match = Match(family.c_str(), nullptr);
    if (match == nullptr)
        return false;
    bool installed = false;
    FcChar8* name = nullptr;
    for (int i = 0; !installed && FcPatternGetString(match, FC_FAMILY, i, &name) == FcResultMatch;
         ++i) {
        installed = platform::EqualsIgnoreAsciiCase(reinterpret_cast<const char*>(name), family);
    }
    FcPatternDestroy(match);
    return installed;
}

std::string GenericFamily(const char* generic) {
    FcPattern* match = Match(generic, "zh-cn");
    FcChar8* name = nullptr;
    std::string family = generic;
    if (match != nullptr && FcPatternGetString(match, FC_FAMILY, 0, &name) == FcResultMatch)
        family = reinterpret_cast<const char*>(name);
    if (match != nullptr)
        FcPatternDestroy(match);
    return family;
}

const FaceRule* RuleFor(std::string_view face) {
    for (const FaceRule& rule : FaceRules()) {
        for (std::string_view known : rule.faces) {
            if (platform::EqualsIgnoreAsciiCase(known, face))
                return &rule;
        }
    }
    return nullptr;
}

std::string FindFamily(std::string_view face) {
    const FaceRule* rule = RuleFor(face);
    const std::vector<std::string> candidates =
        rule != nullptr ? rule->families : std::vector<std::string>{std::string(face)};
    for (const std::string& family : candidates) {
        if (!family.empty() && IsInstalled(family))
            return family;
    }
    return GenericFamily(rule != nullptr ? rule->generic : "sans-serif");
}

BkFont CreateFont(std::uint16_t code, bool dpi) {
    int height = BkFontPool::PixelHeight(code);
    if (dpi)
        height = std::max(1, BkDpi::Scale(height));
    PangoFontDescription* description = pango_font_description_new();
    pango_font_description_set_family(description,
                                      BkFontPool::InstalledFamily(State().base_face).c_str());
    pango_font_description_set_absolute_size(description, height * PANGO_SCALE);
    pango_font_description_set_weight(description,
                                      code & kBold ? PANGO_WEIGHT_BOLD : PANGO_WEIGHT_NORMAL);
    pango_font_description_set_style(description,
                                     code & kItalic ? PANGO_STYLE_ITALIC : PANGO_STYLE_NORMAL);
    return {description, (code & kUnderline) != 0, height};
}

}  // namespace

int BkFontPool::PixelHeight(std::uint16_t code) {
    const int enlarge = static_cast<std::int8_t>(code >> 8);
    // A negative height is the character height, a positive one the cell height; either way the
    // size in pixels.
    const int height = std::abs(State().base_height - enlarge);
    return height > 0 ? height : std::abs(kDefaultHeight);
}

const BkFont& BkFontPool::GetFont(std::uint16_t code, bool dpi) {
    const std::uint32_t key = code | (dpi ? 0x10000u : 0u);
    auto found = State().fonts.find(key);
    if (found == State().fonts.end())
        found = State().fonts.emplace(key, CreateFont(code, dpi)).first;
    return found->second;
}

void BkFontPool::SetBaseFont(const std::string& face, int height) {
    State().base_face = face;
    State().base_height = height != 0 ? height : kDefaultHeight;
}

std::string BkFontPool::BaseFace() {
    return State().base_face;
}

void BkFontPool::Clear() {
    for (auto& [key, font] : State().fonts)
        pango_font_description_free(font.description);
    State().fonts.clear();
}

std::string BkFontPool::InstalledFamily(std::string_view face) {
    auto& families = State().families;
    auto found = families.find(face);
    if (found == families.end())
        found = families.emplace(std::string(face), FindFamily(face)).first;
    return found->second;
}

std::string BkFontPool::ChooseBaseFace() {
    const FaceRule* sans = RuleFor(kSansFace);
    const bool sans_installed = std::any_of(sans->families.begin(), sans->families.end(),
                                            [](const std::string& f) { return IsInstalled(f); });
    return std::string(sans_installed ? kSansFace : kSerifFace);
}

}  // namespace BkWin
