#include "platform/InstanceChannel.h"

#include <poll.h>
#include <sys/eventfd.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "platform/Diagnostics.h"
#include "platform/Paths.h"
#include "platform/SocketIo.h"

namespace platform {
namespace {

// A client that connected must finish its message within this time, so one silent client
// cannot keep the next one waiting for long.
constexpr std::uint32_t kServerReadTimeoutMs = 2000;
constexpr char kAccepted = 1;
constexpr char kRejected = 0;

std::string ErrnoText(const char* what) {
    return std::string(what) + ": " + std::strerror(errno);
}

UniqueFd ConnectTo(const std::string& socket_path, HandOverResult* failure) {
    sockaddr_un address{};
    if (!MakeUnixAddress(socket_path, &address)) {
        *failure = HandOverResult::NoInstance;
        return {};
    }
    UniqueFd fd(::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0));
    if (!fd) {
        *failure = HandOverResult::NoInstance;
        return {};
    }
    // A local connect either succeeds at once or fails at once (no listener, stale file).
    if (::connect(fd.Get(), reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) {
        *failure = HandOverResult::NoInstance;
        return {};
    }
    return fd;
}

}  // namespace

std::string InstanceSocketPath(const std::string& instance_name) {
    auto folder = PrivateSubfolder("instance");
    if (!folder)
        return {};
    std::string path = (*folder / (instance_name + ".sock")).string();
    sockaddr_un address{};
    if (instance_name.find('/') != std::string::npos || !MakeUnixAddress(path, &address))
        return {};
    return path;
}

std::unique_ptr<InstanceServer> InstanceServer::Listen(const std::string& socket_path,
                                                       MessageHandler handler, std::string* error) {
    return Listen(socket_path, std::move(handler), ::geteuid(), error);
}

std::unique_ptr<InstanceServer> InstanceServer::Listen(const std::string& socket_path,
                                                       MessageHandler handler, uid_t allowed_uid,
                                                       std::string* error) {
    auto fail = [error](std::string reason) {
        if (error)
            *error = std::move(reason);
        return nullptr;
    };
    sockaddr_un address{};
    if (!MakeUnixAddress(socket_path, &address))
        return fail("socket path unusable: " + socket_path);
    UniqueFd listener(::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0));
    if (!listener)
        return fail(ErrnoText("socket"));
    // The caller holds the single-instance lock, so a socket file here was left by a dead
    // instance and nobody else can be bound to it.
    ::unlink(socket_path.c_str());
    if (::bind(listener.Get(), reinterpret_cast<sockaddr*>(&address), sizeof address) != 0)
        return fail(ErrnoText("bind"));
    if (::listen(listener.Get(), 8) != 0)
        return fail(ErrnoText("listen"));
    UniqueFd wake(::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK));
    if (!wake)
        return fail(ErrnoText("eventfd"));
    return std::unique_ptr<InstanceServer>(new InstanceServer(
        socket_path, std::move(listener), std::move(wake), std::move(handler), allowed_uid));
}

InstanceServer::InstanceServer(std::string socket_path, UniqueFd listener, UniqueFd wake,
                               MessageHandler handler, uid_t allowed_uid)
    : socket_path_(std::move(socket_path)),
      listener_(std::move(listener)),
      wake_(std::move(wake)),
      handler_(std::move(handler)),
      allowed_uid_(allowed_uid),
      thread_([this] { Serve(); }) {}

InstanceServer::~InstanceServer() {
    const std::uint64_t one = 1;
    [[maybe_unused]] ssize_t written = ::write(wake_.Get(), &one, sizeof one);
    thread_.join();
    ::unlink(socket_path_.c_str());
}

void InstanceServer::Serve() {
    for (;;) {
        pollfd watch[2] = {{listener_.Get(), POLLIN, 0}, {wake_.Get(), POLLIN, 0}};
        if (::poll(watch, 2, -1) < 0) {
            if (errno == EINTR)
                continue;
            ReportDiagnostic(ErrnoText("InstanceServer::Serve poll"));
            return;
        }
        if (watch[1].revents != 0)
            return;
        UniqueFd connection(::accept4(listener_.Get(), nullptr, nullptr, SOCK_CLOEXEC));
        if (connection)
            ServeConnection(connection.Get());
    }
}

void InstanceServer::ServeConnection(int connection) {
    const std::optional<uid_t> peer = PeerUid(connection);
    if (!peer || *peer != allowed_uid_) {
        ReportDiagnostic("InstanceServer refused a hand-over from uid:" +
                         (peer ? std::to_string(*peer) : std::string("unknown")));
        return;
    }
    const Deadline deadline(kServerReadTimeoutMs);
    unsigned char header[8];
    if (!ReadExact(connection, header, sizeof header, deadline)) {
        ReportDiagnostic("InstanceServer dropped a hand-over: incomplete header");
        return;
    }
    HandOverMessage message;
    message.kind = GetUint32Le(header);
    const std::uint32_t length = GetUint32Le(header + 4);
    if (length > kHandOverMaxPayload) {
        ReportDiagnostic("InstanceServer refused a hand-over of " + std::to_string(length) +
                         " bytes; the limit is " + std::to_string(kHandOverMaxPayload));
        WriteAll(connection, &kRejected, 1, deadline);
        return;
    }
    message.payload.resize(length);
    if (!ReadExact(connection, message.payload.data(), length, deadline)) {
        ReportDiagnostic("InstanceServer dropped a hand-over: incomplete message");
        return;
    }
    const bool accepted = handler_(std::move(message));
    WriteAll(connection, accepted ? &kAccepted : &kRejected, 1, Deadline(kServerReadTimeoutMs));
}

HandOverResult SendHandOver(const std::string& socket_path, const HandOverMessage& message,
                            std::chrono::milliseconds timeout) {
    if (message.payload.size() > kHandOverMaxPayload)
        return HandOverResult::Refused;
    const Deadline deadline(static_cast<std::uint32_t>(timeout.count()));
    HandOverResult failure = HandOverResult::NoInstance;
    UniqueFd fd = ConnectTo(socket_path, &failure);
    if (!fd)
        return failure;
    const std::optional<uid_t> peer = PeerUid(fd.Get());
    if (!peer || *peer != ::geteuid())
        return HandOverResult::Refused;
    std::string frame;
    PutUint32Le(frame, message.kind);
    PutUint32Le(frame, static_cast<std::uint32_t>(message.payload.size()));
    frame += message.payload;
    char answer = kRejected;
    if (!WriteAll(fd.Get(), frame.data(), frame.size(), deadline) ||
        !ReadExact(fd.Get(), &answer, 1, deadline))
        return deadline.Passed() ? HandOverResult::TimedOut : HandOverResult::Refused;
    return answer == kAccepted ? HandOverResult::Delivered : HandOverResult::Refused;
}

}  // namespace platform
