#include "service/TokenStore.h"

#include "service/Crypto.h"

namespace service {
namespace {

constexpr std::size_t kTokenBytes = 24;
constexpr std::size_t kUidDigits = 24;

}  // namespace

std::string TokenStore::Grant(const std::string& uid) {
    std::string token = RandomHex(kTokenBytes);
    std::lock_guard lock(mutex_);
    tokens_[token] = Entry{uid, Clock::now() + lifetime_};
    return token;
}

std::optional<std::string> TokenStore::UidOf(const std::string& token) {
    std::lock_guard lock(mutex_);
    const auto found = tokens_.find(token);
    if (found == tokens_.end() || found->second.expires <= Clock::now())
        return std::nullopt;
    return found->second.uid;
}

void TokenStore::RemoveExpired() {
    const auto now = Clock::now();
    std::lock_guard lock(mutex_);
    std::erase_if(tokens_, [now](const auto& item) { return item.second.expires <= now; });
}

std::string UidForDevice(const std::string& device_id) {
    return "t" + Sha256Hex("quire-tourist\n" + device_id).substr(0, kUidDigits);
}

}  // namespace service
