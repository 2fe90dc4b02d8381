#pragma once

#include <filesystem>
#include <optional>
#include <string>

namespace BkWin {

// The DPI decisions: read once from ressrc/chs/dpisetting.ini and the screen, then cached for
// the life of the process. UI thread only.
class BkDpi {
public:
    static bool IsEnabled();
    static float Rate();
    // rate × value truncated when scaling is on, else the value.
    static int Scale(int value);
    static int Unscale(int value);
    // The pre-scaled image file for a PNG resource id, with the rate it was drawn for;
    // nothing when the normal resource is to be used.
    struct ScaledImage {
        std::filesystem::path file;
        float rate = 1.0f;
    };
    static std::optional<ScaledImage> PreScaledImage(int png_id);

    // Start-up forces the decision on unless the edition says otherwise.
    static void ForceEnabled();
    // The screen's DPI as the window system reports it; 96 until set.
    static void SetScreenDpi(int dpi);
    // Tests: forget every cached decision and read the settings again.
    static void ResetForTesting();

    // What drawings are scaled by: the rate when `dpi` is asked for and scaling is on, else 1.
    static float DrawRate(bool dpi);
    // Tests: the program folder (where ressrc/ lives) and the executable name without extension
    // that the settings and image sets are looked up with, instead of those of the running
    // executable. Decisions already made stay until ResetForTesting.
    static void SetProgramForTesting(const std::filesystem::path& folder,
                                     const std::string& executable_name);
};

}  // namespace BkWin
