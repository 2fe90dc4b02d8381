#include "app/KABTestSwitch.h"

#include "app/AsynLog.h"
#include "app/KIniFile.h"
#include "app/MsvcRandom.h"
#include "platform/Paths.h"
#include "platform/Text.h"

namespace {

constexpr int kNoDecision = 1024;

// The generator is seeded with the time in seconds before every draw, so every switch drawn
// in the same second gets the same number.
bool Draw(int percentage, std::time_t now) {
    MsvcRandom random(static_cast<std::uint32_t>(now));
    return percentage >= random.Next() % 100 + 1;
}

}  // namespace

KABTestSwitch& KABTestSwitch::GetInstance() {
    static KABTestSwitch instance;
    return instance;
}

int KABTestSwitch::Init() {
    const std::filesystem::path abrecord = platform::UserFolder() / "abrecord.ini";
    return Init(platform::ResolveReadPath("switch.ini"), abrecord, std::time(nullptr));
}

int KABTestSwitch::Init(const std::filesystem::path& switch_file,
                        const std::filesystem::path& abrecord_file, std::time_t now) {
    KIniFile records;
    records.Load(abrecord_file, IniEncoding::kUtf8);
    KIniFile switches;
    if (!switches.Load(switch_file, IniEncoding::kUtf8)) {
        keasy::AsynLog::Instance().Print("KABTestSwitch::Init no usable switch file:%ws",
                                         switch_file.string());
        return 1;
    }
    bool changed = false;
    for (const auto& [name, keys] : switches.sections()) {
        if (name == "switch")
            continue;
        const int consistent = switches.GetInt(name, "consistent", 0) != 0 ? 1 : 0;
        const int percentage = switches.GetInt(name, "percentage", 100);
        const int version = switches.GetInt(name, "ver", 0);
        const int recorded = records.GetInt(name, "func_on", kNoDecision);
        if (recorded != kNoDecision && records.GetInt(name, "ver", 0) == version &&
            consistent == 1) {
            decisions_[name] = recorded == 1 ? 1 : 0;
            continue;
        }
        const int on = Draw(percentage, now) ? 1 : 0;
        decisions_[name] = on;
        if (consistent == 1) {
            records.SetInt(name, "func_on", on);
            records.SetInt(name, "ver", version);
        }
        changed = true;
    }
    if (changed) {
        std::error_code ignored;
        std::filesystem::create_directories(abrecord_file.parent_path(), ignored);
        if (!records.Save(abrecord_file))
            keasy::AsynLog::Instance().Print("KABTestSwitch::Init cannot save:%ws",
                                             abrecord_file.string());
    }
    return 1;
}

bool KABTestSwitch::IsOn(std::string_view name) const {
    const auto found = decisions_.find(platform::AsciiToLower(name));
    return found == decisions_.end() || found->second == 1;
}
