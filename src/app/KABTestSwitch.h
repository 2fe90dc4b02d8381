#pragma once

#include <ctime>
#include <filesystem>
#include <map>
#include <string>
#include <string_view>

// Percentage switches: each section of switch.ini (but "switch") is a switch that is on for a
// share of installations. A switch marked consistent keeps its decision in abrecord.ini until
// its "ver" changes. Decided once at start-up, read-only afterwards.
class KABTestSwitch {
public:
    static KABTestSwitch& GetInstance();
    KABTestSwitch() = default;

    // switch.ini read from the user or program folder, abrecord.ini kept in the user folder.
    // Always 1.
    int Init();
    // `abrecord_file` is read when it exists and written when a decision was drawn.
    int Init(const std::filesystem::path& switch_file, const std::filesystem::path& abrecord_file,
             std::time_t now);

    // A name without a decision counts as on.
    bool IsOn(std::string_view name) const;

private:
    std::map<std::string, int> decisions_;  // lower-cased switch name → 1 on, 0 off
};
