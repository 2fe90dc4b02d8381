#include "PipeServer.h"

#include <poll.h>
#include <sys/eventfd.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <system_error>

#include "PipeTransport.h"
#include "platform/Diagnostics.h"
#include "platform/SocketIo.h"
#include "quire-pipe/PipeClient.h"

namespace quirepipe {
namespace {

// Once the first byte of a message has arrived, the rest (and later the reply) must pass
// within this time; between messages a client may stay silent as long as it likes.
constexpr std::uint32_t kDefaultMessageTimeoutMs = 10000;
// Overrides the bound above, read at Start; for tests that cannot wait ten seconds.
constexpr char kMessageTimeoutVariable[] = "QUIRE_PIPE_MESSAGE_TIMEOUT_MS";
// After a failed accept (out of descriptors), so that a ready listener does not spin us.
constexpr int kAcceptRetryMs = 100;

std::uint32_t MessageTimeoutMs() {
    const char* text = std::getenv(kMessageTimeoutVariable);
    if (!text)
        return kDefaultMessageTimeoutMs;
    char* end = nullptr;
    const unsigned long value = std::strtoul(text, &end, 10);
    if (end == text || *end != '\0' || value == 0 || value > INT_MAX)
        return kDefaultMessageTimeoutMs;
    return static_cast<std::uint32_t>(value);
}

std::string ErrnoText(const std::string& what) {
    return what + ": " + std::strerror(errno);
}

bool Refuse(const std::string& reason) {
    platform::ReportDiagnostic("PipeServer::Start failed: " + reason);
    return false;
}

// Blocks until the peer sends or goes; false once it has gone. Stop's shutdown(2) ends the
// wait.
bool WaitForMessage(int socket) {
    for (;;) {
        pollfd watch{socket, POLLIN, 0};
        const int ready = ::poll(&watch, 1, -1);
        if (ready < 0 && errno == EINTR)
            continue;
        if (ready < 0)
            return false;
        char first = 0;
        const ssize_t peeked = ::recv(socket, &first, 1, MSG_PEEK | MSG_DONTWAIT);
        if (peeked < 0 && (errno == EAGAIN || errno == EINTR))
            continue;
        return peeked > 0;
    }
}

// Call only while holding the name's lock: a socket file already there was then left by a
// server that died, and is replaced.
platform::UniqueFd ListenAt(const std::string& socket_path, const sockaddr_un& address,
                            std::string* failure) {
    platform::UniqueFd listener(::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0));
    if (!listener) {
        *failure = ErrnoText("socket");
        return {};
    }
    ::unlink(socket_path.c_str());
    if (::bind(listener.Get(), reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0) {
        *failure = ErrnoText("bind " + socket_path);
        return {};
    }
    if (::listen(listener.Get(), SOMAXCONN) != 0) {
        *failure = ErrnoText("listen");
        ::unlink(socket_path.c_str());
        return {};
    }
    return listener;
}

void EndHandler(IMsgProcessor* handler) {
    handler->OnDisconnect();
    handler->Release();
}

}  // namespace

PipeServer::~PipeServer() {
    Stop();
}

void PipeServer::SetProcessor(IMsgProcessor* prototype) {
    std::lock_guard guard(mutex_);
    prototype_ = prototype;
}

bool PipeServer::Start(const char* name) {
    if (accept_thread_.joinable())
        return Refuse("already serving " + socket_path_);
    {
        std::lock_guard guard(mutex_);
        if (!prototype_)
            return Refuse("no processor set");
    }
    const std::string pipe_name = name ? name : "";
    const std::string socket_path = PipeSocketPath(pipe_name);
    const std::string lock_path = PipeLockPath(pipe_name);
    sockaddr_un address{};
    if (lock_path.empty() || !platform::MakeUnixAddress(socket_path, &address))
        return Refuse("unusable pipe name: " + pipe_name);
    std::optional<platform::FileLock> lock =
        platform::FileLock::Acquire(lock_path, std::chrono::milliseconds(0));
    if (!lock)
        return Refuse("pipe " + pipe_name + " is served already");
    platform::UniqueFd wake(::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK));
    if (!wake)
        return Refuse(ErrnoText("eventfd"));
    std::string failure;
    platform::UniqueFd listener = ListenAt(socket_path, address, &failure);
    if (!listener)
        return Refuse(failure);
    socket_path_ = socket_path;
    name_lock_ = std::move(lock);
    listener_ = std::move(listener);
    wake_ = std::move(wake);
    message_timeout_ms_ = MessageTimeoutMs();
    stopping_ = false;
    try {
        accept_thread_ = std::thread([this] { AcceptLoop(); });
    } catch (const std::system_error& error) {
        Unbind();
        return Refuse(error.what());
    }
    return true;
}

void PipeServer::Stop() {
    if (!accept_thread_.joinable())
        return;
    stopping_ = true;
    WakeAcceptThread();
    accept_thread_.join();
    ConnectionList remaining;
    {
        std::lock_guard guard(mutex_);
        // Wakes every connection thread that waits for its client; one inside OnMessage
        // finishes the call first, then finds its reply undeliverable.
        for (const auto& connection : connections_)
            ::shutdown(connection->socket.Get(), SHUT_RDWR);
        remaining.swap(connections_);
    }
    for (const auto& connection : remaining)
        connection->thread.join();
    remaining.clear();
    Unbind();
}

void PipeServer::Unbind() {
    listener_.Reset();
    // Before the lock goes: the name's next server may bind its own socket right after.
    ::unlink(socket_path_.c_str());
    socket_path_.clear();
    name_lock_.reset();
    wake_.Reset();
}

void PipeServer::AcceptLoop() {
    for (;;) {
        pollfd watch[2] = {{listener_.Get(), POLLIN, 0}, {wake_.Get(), POLLIN, 0}};
        if (::poll(watch, 2, -1) < 0) {
            if (errno == EINTR)
                continue;
            platform::ReportDiagnostic(ErrnoText("PipeServer::AcceptLoop poll"));
            return;
        }
        if (watch[1].revents != 0) {
            std::uint64_t count = 0;
            [[maybe_unused]] const ssize_t got = ::read(wake_.Get(), &count, sizeof count);
            if (stopping_)
                return;
            ReapFinished();
        }
        if (watch[0].revents != 0)
            Accept();
    }
}

void PipeServer::Accept() {
    platform::UniqueFd socket(::accept4(listener_.Get(), nullptr, nullptr, SOCK_CLOEXEC));
    if (!socket) {
        if (errno == EAGAIN || errno == EINTR || errno == ECONNABORTED)
            return;
        platform::ReportDiagnostic(ErrnoText("PipeServer::Accept"));
        pollfd wake{wake_.Get(), POLLIN, 0};
        ::poll(&wake, 1, kAcceptRetryMs);
        return;
    }
    IMsgProcessor* handler = NewHandlerFor(socket.Get());
    if (!handler)
        return;
    auto connection = std::make_unique<Connection>();
    connection->socket = std::move(socket);
    connection->handler = handler;
    Connection& added = *connection;
    try {
        connection->thread = std::thread([this, &added] { Serve(added); });
    } catch (const std::system_error& error) {
        platform::ReportDiagnostic(std::string("PipeServer refused a client: ") + error.what());
        EndHandler(handler);
        return;
    }
    std::lock_guard guard(mutex_);
    connections_.push_back(std::move(connection));
}

IMsgProcessor* PipeServer::NewHandlerFor(int socket) {
    const std::optional<uid_t> peer = platform::PeerUid(socket);
    if (!peer || *peer != ::geteuid()) {
        platform::ReportDiagnostic("PipeServer refused a client of uid:" +
                                   (peer ? std::to_string(*peer) : std::string("unknown")));
        return nullptr;
    }
    IMsgProcessor* prototype = nullptr;
    {
        std::lock_guard guard(mutex_);
        prototype = prototype_;
    }
    IMsgProcessor* handler = prototype ? prototype->CreateProcessor() : nullptr;
    if (!handler)
        platform::ReportDiagnostic("PipeServer refused a client: no handler for it");
    return handler;
}

void PipeServer::Serve(Connection& connection) {
    const int socket = connection.socket.Get();
    std::string message;
    while (WaitForMessage(socket)) {
        const FrameRead read = ReadFrame(socket, platform::Deadline(message_timeout_ms_), &message);
        if (read != FrameRead::Ok) {
            if (!stopping_)
                platform::ReportDiagnostic(read == FrameRead::TooLarge
                                               ? "PipeServer dropped a client: message too large"
                                               : "PipeServer dropped a client: message incomplete");
            break;
        }
        const char* reply = connection.handler->OnMessage(message.c_str());
        if (!WriteFrame(socket, reply ? reply : "", platform::Deadline(message_timeout_ms_)))
            break;
    }
    EndHandler(connection.handler);
    {
        std::lock_guard guard(mutex_);
        connection.finished = true;
    }
    WakeAcceptThread();
}

void PipeServer::ReapFinished() {
    ConnectionList finished;
    {
        std::lock_guard guard(mutex_);
        for (auto it = connections_.begin(); it != connections_.end();) {
            const auto next = std::next(it);
            if ((*it)->finished)
                finished.splice(finished.end(), connections_, it);
            it = next;
        }
    }
    for (const auto& connection : finished)
        connection->thread.join();
}

void PipeServer::WakeAcceptThread() {
    const std::uint64_t one = 1;
    [[maybe_unused]] const ssize_t written = ::write(wake_.Get(), &one, sizeof one);
}

}  // namespace quirepipe
