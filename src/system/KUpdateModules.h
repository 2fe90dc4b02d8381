#pragma once

#include <filesystem>
#include <memory>
#include <mutex>

#include "platform/Process.h"

// The update of the conversion components as the rest of the program sees it: a second copy of
// the program, started with "-update_files", runs the updater so that no window waits for it.
// Start-up starts it; the core manager and the loading screen ask whether it has finished.
// The update process is never terminated from here.
class KUpdateModules {
public:
    struct Settings {
        std::filesystem::path program_folder;  // where the components must be
        std::filesystem::path user_folder;     // where the marker file goes
        std::filesystem::path executable;      // started with "-update_files"
    };

    // The running program's folders and its own executable "quire".
    static Settings DefaultSettings();
    static KUpdateModules& Instance();

    explicit KUpdateModules(Settings settings) : settings_(std::move(settings)) {}

    // Starts the update process; true when it runs. While one started earlier still runs, no
    // second one is started and the answer is true.
    bool UpdateByProcess();

    // True when no update process was started, the components are present, or the process
    // has ended.
    bool IsFinished();

    // Whether UpdateByProcess ever started a process.
    bool WasStarted() const;

    const Settings& GetSettings() const { return settings_; }

    KUpdateModules(const KUpdateModules&) = delete;
    KUpdateModules& operator=(const KUpdateModules&) = delete;

private:
    const Settings settings_;
    mutable std::mutex mutex_;                    // guards process_
    std::unique_ptr<platform::Process> process_;  // guarded by mutex_
};

// What the start-up decision did.
enum class UpdateStart {
    NotNeeded,        // the components are present
    AlreadyUpdating,  // another process holds the update mutex
    Started,
    StartFailed,
};

// Starts the update process when a component is missing and no update is running; never
// waits for it.
UpdateStart StartUpdateIfNeeded(KUpdateModules& modules);
UpdateStart StartUpdateIfNeeded();
