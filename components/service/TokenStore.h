#pragma once

#include <chrono>
#include <mutex>
#include <optional>
#include <string>
#include <unordered_map>

namespace service {

// Login tokens of tourists, each valid for a fixed time from its login. Any thread.
class TokenStore {
public:
    using Clock = std::chrono::steady_clock;

    explicit TokenStore(std::chrono::milliseconds lifetime) : lifetime_(lifetime) {}

    std::string Grant(const std::string& uid);
    // The token's uid while it is valid.
    std::optional<std::string> UidOf(const std::string& token);
    void RemoveExpired();

private:
    struct Entry {
        std::string uid;
        Clock::time_point expires;
    };

    const std::chrono::milliseconds lifetime_;
    std::mutex mutex_;
    std::unordered_map<std::string, Entry> tokens_;  // mutex_
};

// The same device always gets the same uid, so that a client that logs in again still owns
// its requests.
std::string UidForDevice(const std::string& device_id);

}  // namespace service
