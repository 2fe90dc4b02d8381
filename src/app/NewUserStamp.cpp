#include "app/NewUserStamp.h"

#include "app/Edition.h"
#include "platform/RegistryStore.h"

namespace new_user {
namespace {

constexpr const char* kValueName = "first_open_time";

bool SameLocalDate(std::time_t a, std::time_t b) {
    tm first{};
    tm second{};
    ::localtime_r(&a, &first);
    ::localtime_r(&b, &second);
    return first.tm_year == second.tm_year && first.tm_yday == second.tm_yday;
}

std::uint32_t Recorded(platform::RegistryStore& store) {
    return store.GetDword(platform::RegistryRoot::CurrentUser, kProgramRegistryKey, kValueName)
        .value_or(0);
}

}  // namespace

bool Stamp(platform::RegistryStore& store, std::time_t now) {
    if (Recorded(store) != 0)
        return true;
    return store.SetDword(platform::RegistryRoot::CurrentUser, kProgramRegistryKey, kValueName,
                          static_cast<std::uint32_t>(now));
}

bool IsNewUser(platform::RegistryStore& store, std::time_t now) {
    const std::uint32_t first = Recorded(store);
    return first == 0 || SameLocalDate(static_cast<std::time_t>(first), now);
}

}  // namespace new_user
