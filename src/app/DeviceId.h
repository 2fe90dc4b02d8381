#pragma once

#include <string>

#include "app/ConfigPaths.h"

// The device identifier sent with the tourist login: "user"/"uuid" in user.ini.
namespace device_id {

// The stored identifier when it is 32 hexadecimal digits; otherwise a new one, which is saved
// to the user folder's user.ini (keeping the file's other keys) and used for this run even
// when the save fails. Safe to call from any thread.
std::string GetDeviceId();
std::string GetDeviceId(const config::Folders& folders);

// A new identifier: 32 upper-case hexadecimal digits of a random version-4 GUID.
std::string NewDeviceId();

}  // namespace device_id
