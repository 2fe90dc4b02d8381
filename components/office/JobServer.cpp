#include "JobServer.h"

#include <poll.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "HelperLog.h"
#include "KitEngine.h"
#include "core/JsonWire.h"
#include "office/OfficeProtocol.h"
#include "platform/SocketIo.h"

namespace officehelper {
namespace {

using Clock = std::chrono::steady_clock;

constexpr int kCheckIntervalMs = 1000;  // how soon a removed socket or the idle end is seen
constexpr auto kRequestLimit = std::chrono::seconds(10);
constexpr auto kReplyLimit = std::chrono::seconds(5);
// Beyond the core's own limit, which it enforces by killing the helper.
constexpr auto kWatchdogGrace = std::chrono::seconds(60);

std::string ErrnoText(const std::string& what) {
    return what + ": " + std::strerror(errno);
}

bool ReadRequest(int client, std::string* line) {
    const Clock::time_point end = Clock::now() + kRequestLimit;
    std::string buffer;
    for (;;) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(end - Clock::now());
        if (left.count() <= 0)
            return false;
        switch (officewire::ReadLineSome(client, &buffer, static_cast<int>(left.count()))) {
            case officewire::LineRead::kComplete:
                *line = buffer.substr(0, buffer.find('\n'));
                return true;
            case officewire::LineRead::kPending:
                continue;
            case officewire::LineRead::kClosed:
            case officewire::LineRead::kTooLong:
                return false;
        }
    }
}

std::string AbsoluteText(const Json::Value& request, const char* key) {
    const Json::Value& member = request[key];
    if (!member.isString())
        return {};
    std::string text = member.asString();
    return !text.empty() && text.front() == '/' ? text : std::string();
}

JobResult RunJob(const std::string& line, KitEngine& engine) {
    Json::Value request;
    if (!json_wire::Parse(line, &request) || !request.isObject())
        return {false, "the helper got a request it cannot read"};
    const std::string source = AbsoluteText(request, officewire::kSourceKey);
    const std::string target = AbsoluteText(request, officewire::kTargetKey);
    const Json::Value& password = request[officewire::kPasswordKey];
    if (source.empty() || target.empty() || !(password.isNull() || password.isString()))
        return {false, "the helper got a request without absolute source and target paths"};
    const Json::Value& format = request[officewire::kFormatKey];
    const std::string format_text = format.isString() ? format.asString() : "pdf";
    if (format_text != "pdf" && format_text != "doc" && format_text != "xls")
        return {false, "the helper cannot write the format " + format_text};
    return engine.Convert(source, target, password.isString() ? password.asString() : "",
                          format_text);
}

}  // namespace

std::unique_ptr<JobServer> JobServer::Listen(const std::filesystem::path& socket_path,
                                             std::chrono::seconds job_limit, std::string* error) {
    sockaddr_un address{};
    if (!platform::MakeUnixAddress(socket_path.string(), &address)) {
        *error = "socket path too long: " + socket_path.string();
        return nullptr;
    }
    platform::UniqueFd listener(::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0));
    if (!listener) {
        *error = ErrnoText("socket");
        return nullptr;
    }
    // Only one helper per slot runs (it holds the profile lock), so a file here is stale.
    ::unlink(socket_path.c_str());
    if (::bind(listener.Get(), reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0 ||
        ::listen(listener.Get(), SOMAXCONN) != 0) {
        *error = ErrnoText("cannot listen at " + socket_path.string());
        return nullptr;
    }
    struct stat bound {};
    if (::stat(socket_path.c_str(), &bound) != 0) {
        *error = ErrnoText("stat " + socket_path.string());
        return nullptr;
    }
    return std::unique_ptr<JobServer>(new JobServer(std::move(listener), socket_path, bound.st_dev,
                                                    bound.st_ino, job_limit + kWatchdogGrace));
}

JobServer::JobServer(platform::UniqueFd listener, std::filesystem::path socket_path, dev_t device,
                     ino_t inode, std::chrono::seconds job_limit)
    : listener_(std::move(listener)),
      socket_path_(std::move(socket_path)),
      device_(device),
      inode_(inode),
      watchdog_(job_limit) {}

bool JobServer::StillOurs() const {
    struct stat now {};
    return ::lstat(socket_path_.c_str(), &now) == 0 && now.st_dev == device_ &&
           now.st_ino == inode_;
}

void JobServer::Serve(KitEngine& engine, std::chrono::seconds idle) {
    Clock::time_point last_job = Clock::now();
    bool spoiled = false;
    for (;;) {
        pollfd watch{listener_.Get(), POLLIN, 0};
        if (::poll(&watch, 1, kCheckIntervalMs) > 0 && AcceptAndServe(engine, &spoiled))
            last_job = Clock::now();
        if (spoiled) {
            Log("LibreOffice is unusable after that job; leaving");
            break;
        }
        if (!StillOurs()) {
            Log("the slot's socket was removed or taken; leaving");
            break;
        }
        if (Clock::now() - last_job >= idle) {
            Log("idle; leaving");
            break;
        }
    }
    StopListening(engine, spoiled);
}

// New clients find no socket from here on and start a new helper; the ones already queued
// are served rather than dropped.
void JobServer::StopListening(KitEngine& engine, bool spoiled) {
    if (StillOurs())
        ::unlink(socket_path_.c_str());
    while (!spoiled && AcceptAndServe(engine, &spoiled)) {
    }
    listener_.Reset();
}

bool JobServer::AcceptAndServe(KitEngine& engine, bool* spoiled) {
    platform::UniqueFd client(::accept4(listener_.Get(), nullptr, nullptr, SOCK_CLOEXEC));
    if (!client)
        return false;
    ServeClient(client.Get(), engine, spoiled);
    return true;
}

void JobServer::ServeClient(int client, KitEngine& engine, bool* spoiled) {
    const std::optional<uid_t> peer = platform::PeerUid(client);
    if (!peer || *peer != ::geteuid()) {
        Log("refused a client of another user");
        return;
    }
    std::string line;
    if (!ReadRequest(client, &line)) {
        Log("dropped a client that sent no whole request");
        return;
    }
    const Clock::time_point start = Clock::now();
    watchdog_.JobStarted();
    const JobResult result = RunJob(line, engine);
    watchdog_.JobEnded();
    *spoiled = result.engine_spoiled;
    const auto millis =
        std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start).count();
    Log("job " + std::string(result.ok ? "done" : "failed") + " in " + std::to_string(millis) +
        " ms" + (result.ok ? "" : ": " + result.error));
    Json::Value reply(Json::objectValue);
    reply[officewire::kOkKey] = result.ok;
    if (!result.ok)
        reply[officewire::kErrorKey] = result.error;
    if (!officewire::WriteText(client, json_wire::Write(reply), kReplyLimit))
        Log("the client left before its reply");
}

}  // namespace officehelper
