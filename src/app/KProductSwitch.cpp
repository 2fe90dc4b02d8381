#include "app/KProductSwitch.h"

#include <ctime>

#include "app/AsynLog.h"
#include "app/ProfileIni.h"
#include "platform/AtomicFile.h"
#include "platform/Paths.h"
#include "platform/RegistryStore.h"
#include "platform/Text.h"
#include "platform/Tick.h"
#include "app/MsvcRandom.h"

namespace {

std::optional<product_switch::Groups> LoadGroups(const std::filesystem::path& file) {
    const auto read = platform::ReadFileBounded(file, product_switch::kMaxFileBytes);
    if (read.status != platform::ReadStatus::Ok)
        return std::nullopt;
    const auto xml = product_switch::Decode(read.bytes);
    if (!xml) {
        keasy::AsynLog::Instance().Print("KProductSwitch::Init no switch marker in:%ws",
                                         file.string());
        return std::nullopt;
    }
    auto groups = product_switch::ParseXml(*xml);
    if (!groups)
        keasy::AsynLog::Instance().Print("KProductSwitch::Init unreadable XML in:%ws",
                                         file.string());
    return groups;
}

}  // namespace

KProductSwitch& KProductSwitch::Instance() {
    static KProductSwitch instance;
    return instance;
}

void KProductSwitch::Init() {
    {
        std::lock_guard guard(mutex_);
        if (loaded_)
            return;
    }
    Init(platform::ResolveReadPath("data/kswitch.dat"), ReadInstallationFacts(std::time(nullptr)),
         platform::GetTickCount());
}

void KProductSwitch::Init(const std::filesystem::path& switch_file,
                          const product_switch::InstallationFacts& facts,
                          std::uint32_t draw_seed) {
    auto groups = LoadGroups(switch_file).value_or(product_switch::Groups{});
    // Every draw reseeds with the same tick, as the decisions always have been made.
    for (auto& [name, records] : groups)
        for (auto& record : records)
            record.result =
                product_switch::Evaluate(record, facts, MsvcRandom(draw_seed).Next() % 100);
    std::lock_guard guard(mutex_);
    if (loaded_)
        return;
    groups_ = std::move(groups);
    loaded_ = true;
}

bool KProductSwitch::IsSwitchOn(std::string_view group, std::string_view name) const {
    std::lock_guard guard(mutex_);
    const auto found = groups_.find(std::string(group));
    if (found == groups_.end())
        return false;
    for (const auto& record : found->second)
        if (platform::EqualsIgnoreAsciiCase(record.name, name))
            return record.result;
    return false;
}

product_switch::InstallationFacts KProductSwitch::ReadInstallationFacts(std::int64_t now) {
    product_switch::InstallationFacts facts;
    facts.try_no =
        profile::GetInt(platform::ProgramFolder() / "ressrc/chs/uplive.svr", "Common", "TryNo", 0);
    auto& store = platform::RegistryStore::Instance();
    const auto root = platform::RegistryRoot::LocalMachine;
    for (std::size_t i = 0; i < facts.identity.size(); ++i)
        facts.identity[i] = store.GetString(root, kInstallationRegistryKey,
                                            product_switch::kIdentityNames[i])
                                .value_or("");
    const auto install_text = store.GetString(root, kInstallationRegistryKey, "InstallTime");
    const std::int64_t installed =
        install_text ? product_switch::ParseInstallTime(*install_text).value_or(0) : 0;
    facts.age_days = (now - installed) / 86400;
    return facts;
}
