#pragma once

#include <ctime>

namespace platform {
class RegistryStore;
}

// The time of the program's first start, kept in the registry store as "first_open_time"
// (seconds since 1970). A user counts as new until the day after that first start.
namespace new_user {

// Writes the first-start time unless one is already recorded. False when the write failed.
bool Stamp(platform::RegistryStore& store, std::time_t now);

// Missing, zero, or on the same local date as `now`.
bool IsNewUser(platform::RegistryStore& store, std::time_t now);

}  // namespace new_user
