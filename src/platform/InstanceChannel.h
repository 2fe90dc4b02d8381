#pragma once

#include <sys/types.h>

#include <atomic>
#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <thread>

#include "platform/UniqueFd.h"

// The running instance's hand-over socket: a second start passes its command line to the
// first one over a Unix domain socket in the private runtime folder. Messages are a 4-byte
// little-endian kind, a 4-byte little-endian length and the bytes; the server answers one byte,
// 1 when it took the message. Only peers of our own uid are accepted, on both sides.
namespace platform {

struct HandOverMessage {
    std::uint32_t kind = 0;
    std::string payload;
};

enum class HandOverResult {
    Delivered,   // the running instance took the message
    NoInstance,  // nobody listens (no socket, or one left behind by a dead instance)
    Refused,     // the peer is not ours, or it refused the message (too large)
    TimedOut,    // the peer did not answer within the bound: treat it as absent
};

inline constexpr std::size_t kHandOverMaxPayload = 1 << 20;

// The socket path for an instance name in the private runtime folder; empty when that folder
// is not usable or the path would be too long for a socket address.
std::string InstanceSocketPath(const std::string& instance_name);

class InstanceServer {
public:
    // Runs on the server's own thread and answers whether the instance took the message; it
    // must answer within a second or two, since the sender waits for it with a bound.
    using MessageHandler = std::function<bool(HandOverMessage)>;

    // Binds `socket_path`, replacing a socket file left by a dead instance: call it only while
    // holding the single-instance lock. `allowed_uid` is the only peer uid accepted.
    static std::unique_ptr<InstanceServer> Listen(const std::string& socket_path,
                                                  MessageHandler handler, uid_t allowed_uid,
                                                  std::string* error = nullptr);
    static std::unique_ptr<InstanceServer> Listen(const std::string& socket_path,
                                                  MessageHandler handler,
                                                  std::string* error = nullptr);

    // Stops the thread and removes the socket file.
    ~InstanceServer();
    InstanceServer(const InstanceServer&) = delete;
    InstanceServer& operator=(const InstanceServer&) = delete;

private:
    InstanceServer(std::string socket_path, UniqueFd listener, UniqueFd wake,
                   MessageHandler handler, uid_t allowed_uid);
    void Serve();
    void ServeConnection(int connection);

    const std::string socket_path_;
    const UniqueFd listener_;
    const UniqueFd wake_;  // eventfd written by the destructor to end Serve()
    const MessageHandler handler_;
    const uid_t allowed_uid_;
    std::thread thread_;  // runs Serve(); joined by the destructor
};

// Connects, checks that the server runs as our uid, sends the message and waits for the answer;
// the whole exchange takes at most `timeout`.
HandOverResult SendHandOver(const std::string& socket_path, const HandOverMessage& message,
                            std::chrono::milliseconds timeout);

}  // namespace platform
