#pragma once

#include <atomic>
#include <cstdint>
#include <list>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <thread>

#include "platform/AtomicFile.h"
#include "platform/UniqueFd.h"
#include "quire-pipe/PipeInterfaces.h"

namespace quirepipe {

// Serves one named pipe: an accept thread, and one thread per connection that owns that
// connection's handler. SetProcessor, Start and Stop come from the owner, one at a time.
class PipeServer final : public IPipeSvr {
public:
    PipeServer() = default;
    ~PipeServer() override;
    PipeServer(const PipeServer&) = delete;
    PipeServer& operator=(const PipeServer&) = delete;

    void SetProcessor(IMsgProcessor* prototype) override;
    bool Start(const char* name) override;
    void Stop() override;

private:
    struct Connection {
        platform::UniqueFd socket;         // closed only after the thread is joined
        IMsgProcessor* handler = nullptr;  // used by the connection's thread only
        std::thread thread;                // joined by the accept thread once finished, or by Stop
        bool finished = false;             // guarded by mutex_
    };
    using ConnectionList = std::list<std::unique_ptr<Connection>>;

    void AcceptLoop();
    void Accept();
    // A handler for a new connection; null when the peer is not our user or none was made.
    IMsgProcessor* NewHandlerFor(int socket);
    void Serve(Connection& connection);
    // Joins the threads of connections that have ended.
    void ReapFinished();
    void WakeAcceptThread();
    // Gives up the socket, its file and the name; no server thread may run.
    void Unbind();

    std::mutex mutex_;
    IMsgProcessor* prototype_ = nullptr;  // guarded by mutex_; owned by the caller
    ConnectionList connections_;          // guarded by mutex_

    // Written by Start and Stop on the owner's thread while no server thread runs; read by
    // the server threads in between.
    std::string socket_path_;
    std::optional<platform::FileLock> name_lock_;  // held while serving: no two servers per name
    platform::UniqueFd listener_;
    platform::UniqueFd wake_;  // eventfd: Stop and ending connections wake the accept thread
    std::uint32_t message_timeout_ms_ = 0;
    std::thread accept_thread_;  // joinable exactly while serving

    std::atomic<bool> stopping_{false};  // set by Stop and Start, read by the server threads
};

}  // namespace quirepipe
