#include "app/DeviceId.h"

#include <sys/random.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstdint>
#include <mutex>
#include <random>

#include "app/AsynLog.h"
#include "app/KIniFile.h"
#include "platform/Format.h"

namespace device_id {
namespace {

constexpr std::size_t kIdLength = 32;
constexpr const char* kSection = "user";
constexpr const char* kKey = "uuid";

// Serialises GetDeviceId, so that two threads asking at once cannot make two identifiers.
std::mutex id_mutex;

using GuidBytes = std::array<std::uint8_t, 16>;

bool FillFromKernel(GuidBytes& bytes) {
    std::size_t filled = 0;
    while (filled < bytes.size()) {
        const ssize_t got = ::getrandom(bytes.data() + filled, bytes.size() - filled, 0);
        if (got < 0 && errno == EINTR)
            continue;
        if (got <= 0)
            return false;
        filled += static_cast<std::size_t>(got);
    }
    return true;
}

GuidBytes RandomBytes() {
    GuidBytes bytes{};
    if (FillFromKernel(bytes))
        return bytes;
    std::random_device device;
    std::generate(bytes.begin(), bytes.end(), [&device] { return device() & 0xFF; });
    return bytes;
}

bool IsStoredId(const std::string& value) {
    return value.size() == kIdLength && std::all_of(value.begin(), value.end(), [](char c) {
               return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F');
           });
}

}  // namespace

std::string NewDeviceId() {
    GuidBytes bytes = RandomBytes();
    bytes[6] = static_cast<std::uint8_t>((bytes[6] & 0x0F) | 0x40);  // version 4
    bytes[8] = static_cast<std::uint8_t>((bytes[8] & 0x3F) | 0x80);  // RFC 4122 variant
    std::string id;
    for (std::uint8_t byte : bytes)
        id += platform::Format("%02X", byte);
    return id;
}

std::string GetDeviceId() {
    return GetDeviceId(config::Folders::Current());
}

std::string GetDeviceId(const config::Folders& folders) {
    std::lock_guard lock(id_mutex);
    KIniFile file;
    file.Load(folders.ReadPath(config::kUserIni), IniEncoding::kUtf8);
    const std::string stored = file.GetString(kSection, kKey, "");
    if (IsStoredId(stored))
        return stored;
    const std::string id = NewDeviceId();
    file.SetString(kSection, kKey, id);
    const bool saved =
        config::CreateMissingFolders(folders.user) && file.Save(folders.Writable(config::kUserIni));
    if (!saved)
        keasy::AsynLog::Instance().Print("GetDeviceId save failed, path:%ws, stored length:%d",
                                         folders.Writable(config::kUserIni).string(),
                                         stored.size());
    return id;
}

}  // namespace device_id
