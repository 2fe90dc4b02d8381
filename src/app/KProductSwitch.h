#pragma once

#include <filesystem>
#include <mutex>
#include <string_view>

#include "app/ProductSwitchFile.h"

// Product switches: loaded once per process from data/kswitch.dat and the installation's
// facts; each switch's decision is drawn when it is loaded and never changes afterwards.
class KProductSwitch {
public:
    static KProductSwitch& Instance();
    KProductSwitch() = default;

    // Loads from the user or program folder and the installation's own values; once per
    // process, later calls do nothing.
    void Init();
    // The same from explicit inputs; every switch draws from a generator seeded with
    // `draw_seed`.
    void Init(const std::filesystem::path& switch_file, const product_switch::InstallationFacts& facts,
              std::uint32_t draw_seed);

    // The decision of the first switch of the group with that name (ignoring case); false when
    // either is missing.
    bool IsSwitchOn(std::string_view group, std::string_view name) const;

    // The installation's facts: TryNo from uplive.svr, the identity and install time from the
    // machine's installation key, the age at `now`.
    static product_switch::InstallationFacts ReadInstallationFacts(std::int64_t now);

private:
    mutable std::mutex mutex_;       // guards loaded_ and groups_
    bool loaded_ = false;            // guarded by mutex_
    product_switch::Groups groups_;  // guarded by mutex_
};

// Where the installer records the installation's identity and install time.
inline constexpr const char* kInstallationRegistryKey = "Software\\Quire\\Installation";
