#include "pipe/PipeTestSupport.h"

#include <poll.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <thread>

#include "platform/SocketIo.h"
#include "quire-pipe/PipeClient.h"

namespace pipetest {
namespace {

class RecordingProcessor : public IMsgProcessor {
public:
    RecordingProcessor(Recorder& recorder, int id) : recorder_(recorder), id_(id) {}

    const char* OnMessage(const char* request) override {
        if (busy_.fetch_add(1) != 0)
            recorder_.MarkOverlap();
        recorder_.Record(id_, EventKind::Entered, request);
        reply_ = request;
        if (reply_.rfind("sleep:", 0) == 0)
            std::this_thread::sleep_for(std::chrono::milliseconds(std::atoi(request + 6)));
        recorder_.Record(id_, EventKind::Returned);
        busy_.fetch_sub(1);
        return reply_.c_str();
    }
    void OnDisconnect() override { recorder_.Record(id_, EventKind::Disconnected); }
    IMsgProcessor* CreateProcessor() override {
        return new RecordingProcessor(recorder_, recorder_.NextHandlerId());
    }
    void Release() override {
        recorder_.Record(id_, EventKind::Released);
        delete this;
    }

private:
    Recorder& recorder_;
    const int id_;
    std::string reply_;
    std::atomic<int> busy_{0};  // threads inside OnMessage right now
};

}  // namespace

Recorder::Recorder() : prototype_(new RecordingProcessor(*this, 0)) {}

Recorder::~Recorder() = default;

std::vector<Event> Recorder::Events() const {
    std::lock_guard guard(mutex_);
    return events_;
}

std::vector<Event> Recorder::EventsOf(int handler) const {
    std::vector<Event> matching;
    for (Event& event : Events())
        if (event.handler == handler)
            matching.push_back(std::move(event));
    return matching;
}

int Recorder::HandlersCreated() const {
    std::lock_guard guard(mutex_);
    return handlers_created_;
}

bool Recorder::WaitFor(const std::function<bool(const std::vector<Event>&)>& done,
                       std::chrono::milliseconds timeout) const {
    std::unique_lock lock(mutex_);
    return changed_.wait_for(lock, timeout, [&] { return done(events_); });
}

bool Recorder::WaitForReleases(int count, std::chrono::milliseconds timeout) const {
    return WaitFor(
        [count](const std::vector<Event>& events) {
            int released = 0;
            for (const Event& event : events)
                released += event.kind == EventKind::Released;
            return released >= count;
        },
        timeout);
}

void Recorder::Record(int handler, EventKind kind, std::string text) {
    {
        std::lock_guard guard(mutex_);
        events_.push_back({handler, kind, std::move(text)});
    }
    changed_.notify_all();
}

int Recorder::NextHandlerId() {
    std::lock_guard guard(mutex_);
    return ++handlers_created_;
}

PipeLibrary::PipeLibrary() {
    library_ = platform::DynamicLibrary::Open(PIPE_LIBRARY, &error_);
    if (!library_)
        return;
    create_ = library_->FunctionNamed<IPipeSvr*()>("CreatePipeSvr");
    release_ = library_->FunctionNamed<void(IPipeSvr*)>("ReleasePipeSvr");
}

ServerPtr PipeLibrary::NewServer(IMsgProcessor* prototype) {
    ServerPtr server(create_(), [release = release_](IPipeSvr* server) {
        server->Stop();
        release(server);
    });
    if (server && prototype)
        server->SetProcessor(prototype);
    return server;
}

platform::UniqueFd RawConnect(const std::string& name) {
    sockaddr_un address{};
    if (!platform::MakeUnixAddress(quirepipe::PipeSocketPath(name), &address))
        return {};
    platform::UniqueFd fd(::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0));
    if (::connect(fd.Get(), reinterpret_cast<sockaddr*>(&address), sizeof address) != 0)
        return {};
    return fd;
}

bool SendRaw(int fd, const std::string& bytes) {
    return platform::WriteAll(fd, bytes.data(), bytes.size(), platform::Deadline(2000));
}

std::string LengthHeader(std::uint32_t length) {
    std::string header;
    platform::PutUint32Le(header, length);
    return header;
}

bool PeerClosesWithin(int fd, std::chrono::milliseconds timeout) {
    pollfd watch{fd, POLLIN, 0};
    if (::poll(&watch, 1, static_cast<int>(timeout.count())) != 1)
        return false;
    char byte = 0;
    return ::recv(fd, &byte, 1, MSG_DONTWAIT) <= 0;
}

ChildProcess::ChildProcess(const std::function<int()>& body) {
    pid_ = ::fork();
    if (pid_ == 0)
        ::_exit(body());
}

ChildProcess::~ChildProcess() {
    if (pid_ <= 0)
        return;
    ::kill(pid_, SIGKILL);
    ::waitpid(pid_, nullptr, 0);
}

int ChildProcess::Wait(std::chrono::milliseconds timeout) {
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    while (pid_ > 0) {
        int status = 0;
        if (::waitpid(pid_, &status, WNOHANG) == pid_) {
            pid_ = -1;
            return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
        }
        if (std::chrono::steady_clock::now() >= deadline)
            return -1;
        std::this_thread::sleep_for(10ms);
    }
    return -1;
}

}  // namespace pipetest
