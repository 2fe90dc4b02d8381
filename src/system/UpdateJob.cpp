#include "system/UpdateJob.h"

#include <algorithm>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "app/AsynLog.h"
#include "platform/DynamicLibrary.h"
#include "platform/NamedMutex.h"
#include "platform/Tick.h"
#include "system/ComponentFiles.h"
#include "system/ToolUpdater.h"
#include "system/UpdateIndexName.h"

namespace update_job {
namespace {

using Clock = std::chrono::steady_clock;

// One loaded updater. The reference is given back before the library is unloaded, since
// Release runs the library's code.
struct Session {
    std::unique_ptr<platform::DynamicLibrary> library;
    tool_updater::IToolUpdater* updater = nullptr;
    tool_updater::Progress progress;

    ~Session() {
        if (updater)
            updater->Release();
    }
};

// Sessions given up while their updater was still busy. Reached from here until exit and
// never unloaded.
std::mutex abandoned_mutex;
std::vector<std::unique_ptr<Session>>* abandoned = nullptr;  // guarded by abandoned_mutex

void Abandon(std::unique_ptr<Session> session) {
    std::lock_guard lock(abandoned_mutex);
    if (!abandoned)
        abandoned = new std::vector<std::unique_ptr<Session>>;
    abandoned->push_back(std::move(session));
}

std::unique_ptr<Session> LoadUpdater(const std::filesystem::path& program_folder) {
    auto& log = keasy::AsynLog::Instance();
    auto session = std::make_unique<Session>();
    std::string error;
    session->library =
        platform::DynamicLibrary::Open(program_folder / tool_updater::kLibraryName, &error);
    if (!session->library) {
        log.Print("RunUpdateJob no updater library:%s", error);
        return nullptr;
    }
    auto* factory =
        session->library->FunctionNamed<tool_updater::Factory>(tool_updater::kFactoryName);
    if (!factory) {
        log.Print("RunUpdateJob updater library has no %s", tool_updater::kFactoryName);
        return nullptr;
    }
    void* object = nullptr;
    const int answer = factory(tool_updater::kClassId, tool_updater::kInterfaceId, &object);
    if (answer != 0 || !object) {
        log.Print("RunUpdateJob updater interface refused:%d", answer);
        return nullptr;
    }
    session->updater = static_cast<tool_updater::IToolUpdater*>(object);
    return session;
}

bool IsCancelled(const std::atomic<bool>* cancel) {
    return cancel && cancel->load(std::memory_order_acquire);
}

// Sleeps one poll interval in short slices so that a cancel is seen quickly. False when the
// job was cancelled meanwhile.
bool PauseUnlessCancelled(std::chrono::milliseconds interval, const std::atomic<bool>* cancel) {
    constexpr auto kSlice = std::chrono::milliseconds(50);
    const auto until = Clock::now() + interval;
    for (auto now = Clock::now(); now < until; now = Clock::now()) {
        if (IsCancelled(cancel))
            return false;
        std::this_thread::sleep_for(std::min<Clock::duration>(kSlice, until - now));
    }
    return !IsCancelled(cancel);
}

// Polls Busy until it answers zero, the bound passes or the job is cancelled.
bool WaitUntilIdle(tool_updater::IToolUpdater& updater, const Options& options) {
    const auto deadline = Clock::now() + options.max_wait;
    while (updater.Busy() != 0) {
        if (Clock::now() >= deadline) {
            keasy::AsynLog::Instance().Print("RunUpdateJob updater still busy after %d s",
                                             static_cast<int>(options.max_wait.count() / 1000));
            return false;
        }
        if (!PauseUnlessCancelled(options.poll_interval, options.cancel)) {
            keasy::AsynLog::Instance().Print("RunUpdateJob cancelled");
            return false;
        }
    }
    return true;
}

int DriveUpdater(const Options& options) {
    std::unique_ptr<Session> session = LoadUpdater(options.program_folder);
    if (!session)
        return kNoUpdater;
    const std::string index_name = update_index::ReadIndexName(options.program_folder);
    const int started = session->updater->Start(index_name.c_str(), "", &session->progress);
    if (started != 0) {
        keasy::AsynLog::Instance().Print("RunUpdateJob start refused:%d, index:%s", started,
                                         index_name);
        return kStartRefused;
    }
    if (!WaitUntilIdle(*session->updater, options)) {
        Abandon(std::move(session));
        return kStillBusy;
    }
    session->progress.percent = 100;
    return kSucceeded;
}

}  // namespace

Result RunUpdateJob(const Options& options) {
    const std::uint32_t start_tick = platform::GetTickCount();
    auto& log = keasy::AsynLog::Instance();
    auto held = platform::NamedMutex::Create(components::kUpdateMutexName);
    int code = kAlreadyRunning;
    if (held.status == platform::NamedMutex::Status::AlreadyExists) {
        log.Print("RunUpdateJob another update is running");
    } else {
        // Without a usable lock folder nobody could see the update mutex anyway; updating
        // matters more than announcing it.
        if (held.status != platform::NamedMutex::Status::Created)
            log.Print("RunUpdateJob update mutex unavailable status:%d", held.status);
        code = DriveUpdater(options);
    }
    const int elapsed_seconds = static_cast<int>((platform::GetTickCount() - start_tick) / 1000);
    log.Print("RunUpdateJob end code:%d, elapsed:%d", code, elapsed_seconds);
    return {code == kSucceeded, code, elapsed_seconds};
}

}  // namespace update_job
