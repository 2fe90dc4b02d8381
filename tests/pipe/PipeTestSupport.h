#pragma once

#include <sys/types.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "platform/DynamicLibrary.h"
#include "platform/UniqueFd.h"
#include "quire-pipe/PipeInterfaces.h"
#include "support/TempDir.h"

namespace pipetest {

using namespace std::chrono_literals;

// The frame limit of the wire format, stated here on its own so a change on both ends of
// the pipe still shows up.
inline constexpr std::uint32_t kFrameLimit = 16u << 20;

// Names no pipe may have: empty, a path, a climb out of the folder, too long for a socket.
inline const std::vector<std::string>& UnusableNames() {
    static const std::vector<std::string> names = {
        "", "a/b", "/abs", "..", "x..y", "../up", std::string(200, 'n')};
    return names;
}

enum class EventKind { Entered, Returned, Disconnected, Released };

struct Event {
    int handler;  // 0 is the prototype, handlers made for connections count from 1
    EventKind kind;
    std::string text;  // the request, for Entered
};

// What every handler of one server was asked to do, in order. A handler echoes each request;
// a request starting "sleep:<ms>" is held that long first.
class Recorder {
public:
    Recorder();
    ~Recorder();

    IMsgProcessor* Prototype() const { return prototype_.get(); }
    std::vector<Event> Events() const;
    std::vector<Event> EventsOf(int handler) const;
    int HandlersCreated() const;
    // True once two threads were ever inside one handler at the same time.
    bool Overlapped() const { return overlapped_; }
    // Waits until `done` holds for the events seen so far; false when `timeout` passed first.
    bool WaitFor(const std::function<bool(const std::vector<Event>&)>& done,
                 std::chrono::milliseconds timeout) const;
    bool WaitForReleases(int count, std::chrono::milliseconds timeout = 5s) const;

    void Record(int handler, EventKind kind, std::string text = {});
    int NextHandlerId();
    void MarkOverlap() { overlapped_ = true; }

private:
    mutable std::mutex mutex_;
    mutable std::condition_variable changed_;
    std::vector<Event> events_;  // guarded by mutex_
    int handlers_created_ = 0;   // guarded by mutex_
    std::atomic<bool> overlapped_{false};
    std::unique_ptr<IMsgProcessor> prototype_;
};

using ServerPtr = std::unique_ptr<IPipeSvr, std::function<void(IPipeSvr*)>>;

// libquire-pipe.so, loaded the way the program loads it.
class PipeLibrary {
public:
    PipeLibrary();
    bool Loaded() const { return create_ && release_; }
    const std::string& Error() const { return error_; }
    // A server with `prototype` set (none when null); stopped and released when dropped.
    ServerPtr NewServer(IMsgProcessor* prototype);

private:
    std::string error_;
    std::unique_ptr<platform::DynamicLibrary> library_;
    CreatePipeSvrFunc create_ = nullptr;
    ReleasePipeSvrFunc release_ = nullptr;
};

// A plain socket to the pipe `name`, for clients that break the rules.
platform::UniqueFd RawConnect(const std::string& name);
bool SendRaw(int fd, const std::string& bytes);
std::string LengthHeader(std::uint32_t length);
// True when the peer closes the connection within `timeout` without sending anything.
bool PeerClosesWithin(int fd, std::chrono::milliseconds timeout);

// A forked process running `body`, whose result is the exit code. The body must make only
// plain system calls on data prepared before the fork. Killed when dropped still running.
class ChildProcess {
public:
    explicit ChildProcess(const std::function<int()>& body);
    ~ChildProcess();
    ChildProcess(const ChildProcess&) = delete;
    ChildProcess& operator=(const ChildProcess&) = delete;

    // The exit code, or -1 when the child did not end within `timeout` or was killed.
    int Wait(std::chrono::milliseconds timeout);

private:
    pid_t pid_ = -1;
};

}  // namespace pipetest
