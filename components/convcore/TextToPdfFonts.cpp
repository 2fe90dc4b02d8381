#include "convcore/TextToPdfFonts.h"

#include <fontconfig/fontconfig.h>
#include <pango/pangocairo.h>
#include <pango/pangofc-fontmap.h>
#if defined(__SANITIZE_ADDRESS__)
#include <sanitizer/lsan_interface.h>
#endif

namespace convcore {
namespace {

constexpr char kRejectCffFonts[] = R"(<?xml version="1.0"?>
<!DOCTYPE fontconfig SYSTEM "urn:fontconfig:fonts.dtd">
<fontconfig><selectfont><rejectfont>
  <pattern><patelt name="fontformat"><string>CFF</string></patelt></pattern>
</rejectfont></selectfont></fontconfig>)";

FcConfig* MakeConfiguration() {
#if defined(__SANITIZE_ADDRESS__)
    // fontconfig keeps parts of a configuration where a leak checker cannot follow them; these
    // are meant to live as long as the process.
    const __lsan::ScopedDisabler lives_for_the_process;
#endif
    // pango would load fontconfig's default configuration on a thread of its own when its first
    // font map is made, outside the scope above; loaded here first, that load is a no-op.
    FcInit();
    FcConfig* const config = FcInitLoadConfig();
    // The system configuration first, then the rejection, then the font list it applies to.
    if (config != nullptr &&
        FcConfigParseAndLoadFromMemory(config, reinterpret_cast<const FcChar8*>(kRejectCffFonts),
                                       FcTrue) == FcTrue &&
        FcConfigBuildFonts(config) == FcTrue)
        return config;
    if (config != nullptr)
        FcConfigDestroy(config);
    return nullptr;
}

// Made on first use and kept for the life of the process: building the font list costs time,
// and every font map made here holds a reference to it. Read-only once made, so every task
// thread may use it.
FcConfig* WithoutCff() {
    static FcConfig* const configuration = MakeConfiguration();
    return configuration;
}

bool IsFontconfigMap(PangoFontMap* map) {
    const GType fontconfig_map = g_type_from_name("PangoFcFontMap");
    return fontconfig_map != 0 && g_type_is_a(G_OBJECT_TYPE(map), fontconfig_map);
}

}  // namespace

PangoFontMap* NewFontMapWithoutCff(std::string* error) {
    FcConfig* const fonts = WithoutCff();
    PangoFontMap* map = pango_cairo_font_map_new();
    if (fonts == nullptr || !IsFontconfigMap(map)) {
        g_object_unref(map);
        *error = "no font configuration for text pages (fontconfig is not usable)";
        return nullptr;
    }
    pango_fc_font_map_set_config(reinterpret_cast<PangoFcFontMap*>(map), fonts);
    return map;
}

}  // namespace convcore
