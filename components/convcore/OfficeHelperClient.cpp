#include "convcore/OfficeHelperClient.h"

#include <signal.h>
#include <sys/socket.h>
#include <sys/un.h>

#include <charconv>
#include <memory>
#include <optional>
#include <system_error>
#include <thread>

#include "core/JsonWire.h"
#include "office/OfficeProtocol.h"
#include "platform/AtomicFile.h"
#include "platform/Format.h"
#include "platform/Process.h"
#include "platform/SocketIo.h"
#include "platform/UniqueFd.h"

namespace convcore {
namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

constexpr std::chrono::milliseconds kPollSlice{50};
constexpr int kReplySliceMs = 100;
constexpr std::chrono::seconds kRequestLimit{5};
// A killed helper is gone within moments; its profile lock says when.
constexpr std::chrono::seconds kDeathLimit{5};
constexpr std::size_t kPidFileBytes = 32;

long SecondsOf(std::chrono::seconds limit) {
    return static_cast<long>(limit.count());
}

platform::UniqueFd ConnectTo(const fs::path& socket_path) {
    sockaddr_un address{};
    if (!platform::MakeUnixAddress(socket_path.string(), &address))
        return {};
    platform::UniqueFd socket(::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0));
    // Non-blocking, so that a full backlog reads as "not answering yet" instead of a wait.
    if (!socket ||
        ::connect(socket.Get(), reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0)
        return {};
    return socket;
}

std::optional<ucred> PeerOf(int socket) {
    ucred peer{};
    socklen_t size = sizeof peer;
    if (::getsockopt(socket, SOL_SOCKET, SO_PEERCRED, &peer, &size) != 0 || size != sizeof peer)
        return std::nullopt;
    return peer;
}

// One job from taking a slot to the helper's reply. Every wait calls `keep_waiting` between
// slices of at most kPollSlice or kReplySliceMs.
class SlotRun {
public:
    SlotRun(const OfficeSettings& settings, const KeepWaiting& keep_waiting)
        : settings_(settings), keep_waiting_(keep_waiting) {}

    OfficeJobResult Run(const OfficeJob& job) {
        if (!PrepareCache() || !TakeSlot())
            return result_;
        const platform::UniqueFd socket = ConnectToHelper();
        if (!socket)
            return result_;
        Exchange(socket.Get(), job);
        return result_;
    }

private:
    bool Fail(std::string error) {
        result_.end = OfficeJobResult::End::kFailed;
        result_.error = std::move(error);
        return false;
    }

    bool Continue() {
        if (keep_waiting_())
            return true;
        result_.end = OfficeJobResult::End::kCancelled;
        result_.error = "cancelled";
        return false;
    }

    fs::path SlotFile(const char* suffix) const {
        return officewire::SlotFile(settings_.runtime_folder, slot_, suffix);
    }

    // The profile locks live there; without the folder every slot would look taken for good.
    bool PrepareCache() {
        std::error_code failure;
        fs::create_directories(settings_.cache_folder, failure);
        if (failure)
            return Fail("cannot create " + settings_.cache_folder.string() + ": " +
                        failure.message());
        fs::permissions(settings_.cache_folder, fs::perms::owner_all, failure);
        return true;
    }

    bool TakeSlot() {
        const Clock::time_point end = Clock::now() + settings_.job_limit;
        for (;;) {
            for (int slot = 0; slot < settings_.slots; ++slot) {
                auto lock =
                    platform::FileLock::Acquire(officewire::SlotFile(settings_.runtime_folder, slot,
                                                                     officewire::kSlotLockSuffix),
                                                std::chrono::milliseconds(0));
                if (lock) {
                    slot_ = slot;
                    result_.slot = slot;
                    slot_lock_ = std::move(lock);
                    return true;
                }
            }
            if (!Continue())
                return false;
            if (Clock::now() >= end)
                return Fail(platform::Format("all %d LibreOffice slots stayed busy for %d s",
                                             settings_.slots, SecondsOf(settings_.job_limit)));
            std::this_thread::sleep_for(kPollSlice);
        }
    }

    // A helper holds its profile's lock from before it starts LibreOffice until it is gone.
    bool HelperAlive() const {
        return !platform::FileLock::Acquire(officewire::ProfileLock(settings_.cache_folder, slot_),
                                            std::chrono::milliseconds(0));
    }

    platform::UniqueFd ConnectToHelper() {
        const fs::path socket_path = SlotFile(officewire::kSocketSuffix);
        const Clock::time_point end = Clock::now() + settings_.start_limit;
        std::unique_ptr<platform::Process> started;
        for (;;) {
            platform::UniqueFd socket = ConnectTo(socket_path);
            if (socket)
                return socket;
            if (!HelperAlive()) {
                if (started && !started->IsAlive()) {
                    Fail(StartFailure(*started));
                    return {};
                }
                if (!started && !(started = StartHelper()))
                    return {};
            }
            // A helper still starting is left to finish: the slot's next job finds it ready.
            if (!Continue())
                return {};
            if (Clock::now() >= end) {
                KillStartingHelper(started.get());
                Fail(platform::Format("LibreOffice did not start within %d s",
                                      SecondsOf(settings_.start_limit)));
                return {};
            }
            std::this_thread::sleep_for(kPollSlice);
        }
    }

    std::unique_ptr<platform::Process> StartHelper() {
        const std::vector<std::string> arguments = {
            officewire::kSlotFlag + std::to_string(slot_),
            officewire::kRuntimeFolderFlag + settings_.runtime_folder.string(),
            officewire::kCacheFolderFlag + settings_.cache_folder.string(),
            officewire::kInstallFolderFlag + settings_.install_folder.string(),
            officewire::kIdleSecondsFlag + std::to_string(settings_.idle.count()),
            officewire::kJobSecondsFlag + std::to_string(settings_.job_limit.count())};
        std::string error;
        auto helper = platform::Process::Spawn(settings_.helper, arguments, &error);
        if (!helper)
            Fail("cannot start the LibreOffice helper: " + error);
        return helper;
    }

    std::string StartFailure(const platform::Process& helper) const {
        const std::string log = SlotFile(officewire::kLogSuffix).string();
        switch (helper.ExitCode().value_or(-1)) {
            case officewire::kExitNoLibreOffice:
                return "LibreOffice did not start; see " + log;
            case officewire::kExitProfileUnwritable:
                return "cannot write the LibreOffice profile in " + settings_.cache_folder.string();
            case officewire::kExitNoSocket:
                return "the LibreOffice helper cannot listen in " +
                       settings_.runtime_folder.string();
            default:
                return platform::Format(
                    "the LibreOffice helper ended while starting (exit %d); "
                    "see %s",
                    helper.ExitCode().value_or(-1), log);
        }
    }

    void KillStartingHelper(platform::Process* started) {
        if (started != nullptr) {
            started->Kill();
        } else if (HelperAlive()) {
            // Someone else's start hangs; while the profile is locked the pid file is its.
            const auto content =
                platform::ReadFileBounded(SlotFile(officewire::kPidSuffix), kPidFileBytes);
            pid_t pid = 0;
            std::from_chars(content.bytes.data(), content.bytes.data() + content.bytes.size(), pid);
            if (pid > 0)
                ::kill(pid, SIGKILL);
        }
        AwaitHelperGone();
    }

    // Killed rather than left to finish: a helper still working would write the PDF after the
    // job's partial output was removed, and its job would delay the slot's next one.
    void StopHelper(pid_t pid) {
        ::kill(pid, SIGKILL);
        AwaitHelperGone();
    }

    void AwaitHelperGone() {
        const Clock::time_point end = Clock::now() + kDeathLimit;
        while (HelperAlive() && Clock::now() < end)
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }

    void Exchange(int socket, const OfficeJob& job) {
        const std::optional<ucred> peer = PeerOf(socket);
        if (!peer || peer->uid != ::geteuid()) {
            Fail("the LibreOffice helper's socket is not this user's");
            return;
        }
        result_.helper_pid = peer->pid;
        Json::Value request(Json::objectValue);
        request[officewire::kSourceKey] = job.source.string();
        request[officewire::kTargetKey] = job.target.string();
        if (!job.password.empty())
            request[officewire::kPasswordKey] = job.password;
        request[officewire::kFormatKey] = job.format;
        if (!officewire::WriteText(socket, json_wire::Write(request), kRequestLimit)) {
            Fail("the LibreOffice helper did not take the job");
            return;
        }
        AwaitReply(socket, job.source.filename().string());
    }

    void AwaitReply(int socket, const std::string& name) {
        const Clock::time_point end = Clock::now() + settings_.job_limit;
        std::string buffer;
        for (;;) {
            switch (officewire::ReadLineSome(socket, &buffer, kReplySliceMs)) {
                case officewire::LineRead::kComplete:
                    ReadReply(buffer.substr(0, buffer.find('\n')), name);
                    return;
                case officewire::LineRead::kClosed:
                    // Until it is gone its socket may still take the slot's next job.
                    AwaitHelperGone();
                    Fail("LibreOffice stopped while converting " + name +
                         "; the document may be damaged");
                    return;
                case officewire::LineRead::kTooLong:
                    StopHelper(result_.helper_pid);
                    Fail("the LibreOffice helper sent an unreadable reply");
                    return;
                case officewire::LineRead::kPending:
                    break;
            }
            if (!Continue()) {
                StopHelper(result_.helper_pid);
                return;
            }
            if (Clock::now() >= end) {
                StopHelper(result_.helper_pid);
                Fail(platform::Format("LibreOffice took longer than %d s to convert %s",
                                      SecondsOf(settings_.job_limit), name));
                return;
            }
        }
    }

    void ReadReply(const std::string& line, const std::string& name) {
        Json::Value reply;
        if (!json_wire::Parse(line, &reply) || !reply.isObject() ||
            !reply[officewire::kOkKey].isBool()) {
            Fail("the LibreOffice helper sent an unreadable reply");
            return;
        }
        if (reply[officewire::kOkKey].asBool()) {
            result_.end = OfficeJobResult::End::kDone;
            return;
        }
        const Json::Value& error = reply[officewire::kErrorKey];
        Fail(error.isString() && !error.asString().empty()
                 ? error.asString()
                 : "LibreOffice could not convert " + name);
    }

    const OfficeSettings& settings_;
    const KeepWaiting& keep_waiting_;
    int slot_ = -1;
    std::optional<platform::FileLock> slot_lock_;  // held until the job's end
    OfficeJobResult result_;
};

}  // namespace

OfficeJobResult RunOfficeJob(const OfficeJob& job, const OfficeSettings& settings,
                             const KeepWaiting& keep_waiting) {
    return SlotRun(settings, keep_waiting).Run(job);
}

}  // namespace convcore
