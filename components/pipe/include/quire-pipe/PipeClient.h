#pragma once

#include <chrono>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "platform/UniqueFd.h"

// The client end of a pipe served by libquire-pipe.so: one request, then its reply, framed the
// same way on both sides.
namespace quirepipe {

// Path of the socket that serves the pipe `name`; empty when the name is unusable.
std::string PipeSocketPath(const std::string& name);

// Used by one thread at a time.
class PipeClient {
public:
    // Connects to the pipe `name`, retrying until `timeout` while no server listens yet.
    // Refuses a server run by another user. Nullptr on failure, with the reason in `error`.
    static std::unique_ptr<PipeClient> Connect(const std::string& name,
                                               std::chrono::milliseconds timeout,
                                               std::string* error = nullptr);

    // Sends one message and waits at most `timeout` for its reply. Nullopt when the
    // connection is gone or the time ran out (the connection is then unusable). A message
    // over the frame limit (16 MiB) is not sent and fails the same way.
    std::optional<std::string> Request(std::string_view message, std::chrono::milliseconds timeout);

    ~PipeClient();
    PipeClient(const PipeClient&) = delete;
    PipeClient& operator=(const PipeClient&) = delete;

private:
    explicit PipeClient(platform::UniqueFd socket);

    // Reset after a failed request: a late reply could never be matched to its request.
    platform::UniqueFd socket_;
};

}  // namespace quirepipe
