#include "quire-pipe/PipeClient.h"

#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <thread>

#include "PipeTransport.h"

namespace quirepipe {
namespace {

// How often Connect looks again for a server that is not listening yet.
constexpr std::chrono::milliseconds kConnectRetryInterval{25};

std::unique_ptr<PipeClient> Fail(std::string* error, std::string reason) {
    if (error)
        *error = std::move(reason);
    return nullptr;
}

// No socket file yet, a file left by a dead server, or a server too busy to take us now.
bool IsNotListeningYet(int error) {
    return error == ENOENT || error == ECONNREFUSED || error == EAGAIN;
}

}  // namespace

PipeClient::PipeClient(platform::UniqueFd socket) : socket_(std::move(socket)) {}

PipeClient::~PipeClient() = default;

std::unique_ptr<PipeClient> PipeClient::Connect(const std::string& name,
                                                std::chrono::milliseconds timeout,
                                                std::string* error) {
    const std::string path = PipeSocketPath(name);
    sockaddr_un address{};
    if (!platform::MakeUnixAddress(path, &address))
        return Fail(error, "unusable pipe name: " + name);
    const platform::Deadline deadline = DeadlineAfter(timeout);
    for (;;) {
        // Non-blocking, so that a server whose backlog is full cannot hold connect(2).
        platform::UniqueFd socket(::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0));
        if (!socket)
            return Fail(error, std::string("socket: ") + std::strerror(errno));
        if (::connect(socket.Get(), reinterpret_cast<sockaddr*>(&address), sizeof address) == 0) {
            const std::optional<uid_t> peer = platform::PeerUid(socket.Get());
            if (!peer || *peer != ::geteuid())
                return Fail(error, "the server of pipe " + name + " is not run by this user");
            return std::unique_ptr<PipeClient>(new PipeClient(std::move(socket)));
        }
        if (!IsNotListeningYet(errno))
            return Fail(error, "connect to " + path + ": " + std::strerror(errno));
        const int remaining = deadline.RemainingMs();
        if (remaining == 0)
            return Fail(error, "no server on pipe " + name + " within " +
                                   std::to_string(timeout.count()) + " ms");
        std::this_thread::sleep_for(
            std::min(kConnectRetryInterval, std::chrono::milliseconds(remaining)));
    }
}

std::optional<std::string> PipeClient::Request(std::string_view message,
                                               std::chrono::milliseconds timeout) {
    if (!socket_)
        return std::nullopt;
    const platform::Deadline deadline = DeadlineAfter(timeout);
    std::string reply;
    if (WriteFrame(socket_.Get(), message, deadline) &&
        ReadFrame(socket_.Get(), deadline, &reply) == FrameRead::Ok)
        return reply;
    socket_.Reset();
    return std::nullopt;
}

}  // namespace quirepipe
