#include "platform/SocketIo.h"

#include <poll.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "platform/Tick.h"

namespace platform {
namespace {

bool WaitReady(int fd, short events, const Deadline& deadline) {
    for (;;) {
        const int remaining = deadline.RemainingMs();
        if (remaining == 0)
            return false;
        pollfd watch{fd, events, 0};
        const int ready = ::poll(&watch, 1, remaining);
        if (ready > 0)
            return true;
        if (ready < 0 && errno != EINTR)
            return false;
    }
}

}  // namespace

Deadline::Deadline(std::uint32_t timeout_ms) : start_(GetTickCount()), timeout_ms_(timeout_ms) {}

int Deadline::RemainingMs() const {
    const std::uint32_t elapsed = GetTickCount() - start_;
    if (elapsed >= timeout_ms_)
        return 0;
    return static_cast<int>(timeout_ms_ - elapsed);
}

bool ReadExact(int fd, void* buffer, std::size_t size, const Deadline& deadline) {
    auto* bytes = static_cast<char*>(buffer);
    while (size > 0) {
        if (!WaitReady(fd, POLLIN, deadline))
            return false;
        const ssize_t got = ::recv(fd, bytes, size, MSG_DONTWAIT);
        if (got == 0)
            return false;
        if (got < 0) {
            if (errno == EINTR || errno == EAGAIN)
                continue;
            return false;
        }
        bytes += got;
        size -= static_cast<std::size_t>(got);
    }
    return true;
}

bool WriteAll(int fd, const void* data, std::size_t size, const Deadline& deadline) {
    const auto* bytes = static_cast<const char*>(data);
    while (size > 0) {
        if (!WaitReady(fd, POLLOUT, deadline))
            return false;
        const ssize_t sent = ::send(fd, bytes, size, MSG_DONTWAIT | MSG_NOSIGNAL);
        if (sent < 0) {
            if (errno == EINTR || errno == EAGAIN)
                continue;
            return false;
        }
        bytes += sent;
        size -= static_cast<std::size_t>(sent);
    }
    return true;
}

void PutUint32Le(std::string& out, std::uint32_t value) {
    for (int shift = 0; shift < 32; shift += 8)
        out += static_cast<char>((value >> shift) & 0xFF);
}

std::uint32_t GetUint32Le(const unsigned char* bytes) {
    return static_cast<std::uint32_t>(bytes[0]) | static_cast<std::uint32_t>(bytes[1]) << 8 |
           static_cast<std::uint32_t>(bytes[2]) << 16 | static_cast<std::uint32_t>(bytes[3]) << 24;
}

std::optional<uid_t> PeerUid(int fd) {
    ucred credentials{};
    socklen_t length = sizeof credentials;
    if (::getsockopt(fd, SOL_SOCKET, SO_PEERCRED, &credentials, &length) != 0)
        return std::nullopt;
    return credentials.uid;
}

bool MakeUnixAddress(const std::string& path, sockaddr_un* address) {
    std::memset(address, 0, sizeof *address);
    address->sun_family = AF_UNIX;
    if (path.empty() || path.size() >= sizeof address->sun_path)
        return false;
    std::memcpy(address->sun_path, path.data(), path.size());
    return true;
}

}  // namespace platform
