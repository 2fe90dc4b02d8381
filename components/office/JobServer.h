#pragma once

#include <sys/types.h>

#include <chrono>
#include <filesystem>
#include <memory>
#include <string>

#include "JobWatchdog.h"
#include "platform/UniqueFd.h"

namespace officehelper {

class KitEngine;

// The slot's socket and the loop that serves it, one job at a time, on the main thread.
class JobServer {
public:
    // Binds `socket_path`, replacing a socket a dead helper left; nullptr with the reason.
    static std::unique_ptr<JobServer> Listen(const std::filesystem::path& socket_path,
                                             std::chrono::seconds job_limit, std::string* error);

    // Serves until no job came for `idle`, or until the socket file is no longer the one this
    // helper bound (removed, or replaced by a newer helper of the slot), or a job spoiled
    // LibreOffice. Then it removes its socket file, if still its own, and serves the clients that
    // connected before that (unless LibreOffice is spoiled).
    void Serve(KitEngine& engine, std::chrono::seconds idle);

    JobServer(const JobServer&) = delete;
    JobServer& operator=(const JobServer&) = delete;

private:
    JobServer(platform::UniqueFd listener, std::filesystem::path socket_path, dev_t device,
              ino_t inode, std::chrono::seconds job_limit);
    bool StillOurs() const;
    // False when no client was waiting; `spoiled` is set when the job left LibreOffice unusable.
    bool AcceptAndServe(KitEngine& engine, bool* spoiled);
    void ServeClient(int client, KitEngine& engine, bool* spoiled);
    void StopListening(KitEngine& engine, bool spoiled);

    platform::UniqueFd listener_;
    const std::filesystem::path socket_path_;
    const dev_t device_;  // identity of the socket file bound, to notice a replacement
    const ino_t inode_;
    JobWatchdog watchdog_;
};

}  // namespace officehelper
