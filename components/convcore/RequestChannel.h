#pragma once

#include <chrono>
#include <optional>
#include <string>
#include <string_view>

namespace convcore {

// The core's side of the pipe: one request, then its reply.
class RequestChannel {
public:
    virtual ~RequestChannel() = default;
    // Nullopt when the connection is gone or no reply came within `timeout`.
    virtual std::optional<std::string> Request(std::string_view message,
                                               std::chrono::milliseconds timeout) = 0;
};

}  // namespace convcore
