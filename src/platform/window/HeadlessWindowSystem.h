#pragma once

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <filesystem>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "platform/window/HeadlessTrayIcon.h"
#include "platform/window/HeadlessWindow.h"
#include "platform/window/WindowSystem.h"

namespace platform {

struct HeadlessNotification {
    std::string title;
    std::string body;
};

// The window system without a display, for tests and for rendering off screen. Time is a
// virtual clock that only moves when told to (AdvanceClock) or when a loop is idle with a
// timer pending; modal dialogs and choosers are answered from scripts. Holds no global state,
// so a test may run several. UI thread only, except Post.
class HeadlessWindowSystem : public WindowSystem {
public:
    using ModalScript = std::function<void(HeadlessWindow& dialog)>;
    using FileAnswer = std::optional<std::vector<std::filesystem::path>>;
    using FolderAnswer = std::optional<std::filesystem::path>;

    // How long Run waits for a Post from another thread when it has nothing else to do:
    // nothing but a post can wake an idle headless loop, so a wait this long means a loop
    // nobody will ever quit, and Run gives up with -1.
    static constexpr std::chrono::milliseconds kDefaultIdleWaitLimit{5000};
    // Virtual time a modal loop runs timers for without an EndModal before it gives up with
    // -1: a repeating timer alone must not keep an unanswered dialog open forever.
    static constexpr std::chrono::milliseconds kModalClockLimit{10 * 60 * 1000};

    HeadlessWindowSystem() = default;
    ~HeadlessWindowSystem() override;
    HeadlessWindowSystem(const HeadlessWindowSystem&) = delete;
    HeadlessWindowSystem& operator=(const HeadlessWindowSystem&) = delete;

    std::unique_ptr<NativeWindow> CreateWindow(const WindowOptions& options) override;
    std::unique_ptr<HeadlessWindow> CreateHeadlessWindow(const WindowOptions& options);

    void Post(std::function<void()> closure) override;

    // An interval below 1 ms counts as 1 ms, so that a timer cannot stop the clock.
    TimerId StartTimer(std::chrono::milliseconds interval, std::function<void()> tick) override;
    void StopTimer(TimerId timer) override;
    std::uint64_t NowMs() const override { return now_ms_; }

    // Runs pending work, moving the virtual clock to the next timer whenever idle, until Quit.
    // Returns -1 when idle with no timer and no Post for the idle wait limit.
    int Run() override;
    // Also ends every running modal loop (with -1).
    void Quit(int code) override;

    // Takes the next script from ScriptModal and runs it on the dialog, then keeps running
    // posted work and timers until EndModal; -1 when the work runs out first.
    int RunModal(NativeWindow& dialog) override;
    void EndModal(NativeWindow& dialog, int code) override;

    // Answered from ScriptFileChooser / ScriptFolderChooser; cancelled when no answer is left.
    std::optional<std::vector<std::filesystem::path>> ChooseFiles(
        const FileChooserOptions& options) override;
    std::optional<std::filesystem::path> ChooseFolder(const FolderChooserOptions& options) override;

    // Null unless SetTrayHostPresent(true).
    std::unique_ptr<TrayIcon> CreateTrayIcon(const std::string& icon_png,
                                             const std::string& tooltip) override;
    bool Notify(const std::string& title, const std::string& body) override;
    // Only http, https and file URIs are accepted (and recorded); others give false.
    bool OpenUri(const std::string& uri) override;

    // Test hooks.
    // Runs posted closures, including those posted meanwhile, until none is left, then
    // paints. True when a closure ran.
    bool RunPending();
    // Paints every visible window with a dirty area; returns how many were painted.
    int PaintPending();
    // Fires due timers in time order (a late timer once per interval passed), then RunPending.
    void AdvanceClock(std::chrono::milliseconds delta);
    void SetIdleWaitLimit(std::chrono::milliseconds limit) { idle_wait_limit_ = limit; }
    void ScriptModal(ModalScript script) { modal_scripts_.push_back(std::move(script)); }
    void ScriptFileChooser(FileAnswer answer) { file_answers_.push_back(std::move(answer)); }
    void ScriptFolderChooser(FolderAnswer answer) { folder_answers_.push_back(std::move(answer)); }
    void SetTrayHostPresent(bool present) { tray_host_present_ = present; }
    // on_activate of the newest live tray icon; false when there is none.
    bool ActivateTray();

    // Live windows, oldest first.
    const std::vector<HeadlessWindow*>& Windows() const { return windows_; }
    const std::vector<HeadlessTrayIcon*>& TrayIcons() const { return tray_icons_; }
    const std::vector<FileChooserOptions>& FileChooserCalls() const { return file_calls_; }
    const std::vector<FolderChooserOptions>& FolderChooserCalls() const { return folder_calls_; }
    std::optional<FileChooserOptions> LastFileChooser() const;
    std::optional<FolderChooserOptions> LastFolderChooser() const;
    const std::vector<HeadlessNotification>& Notifications() const { return notifications_; }
    const std::vector<std::string>& OpenedUris() const { return opened_uris_; }
    std::size_t ModalDepth() const { return modal_frames_.size(); }
    // True while `window` owns a running modal dialog and so takes no input.
    bool IsBlockedByModal(const HeadlessWindow& window) const;

private:
    friend class HeadlessWindow;
    friend class HeadlessTrayIcon;

    struct Timer {
        std::chrono::milliseconds interval;
        std::uint64_t due_ms = 0;
        // Shared so that a tick that stops its own timer is not destroyed while it runs.
        std::shared_ptr<std::function<void()>> tick;
    };
    struct ModalFrame {
        HeadlessWindow* dialog = nullptr;  // null once the dialog is destroyed
        bool ended = false;
        int code = -1;
    };

    bool TakeNextPosted(std::function<void()>* closure);
    bool QuitRequested();
    // The earliest timer due at or before `limit_ms`, ties in starting order.
    std::optional<TimerId> NextDueTimer(std::uint64_t limit_ms) const;
    void FireTimer(TimerId id);
    void AdvanceToNextTimer();
    void RunModalLoop(ModalFrame& frame);
    HeadlessWindow* FindWindow(const NativeWindow& window) const;
    void ForgetWindow(HeadlessWindow* window);
    void ForgetTrayIcon(HeadlessTrayIcon* icon);

    std::mutex mutex_;                          // guards posted_, quit_requested_, quit_code_
    std::condition_variable posted_cv_;         // signalled with mutex_ on Post and Quit
    std::deque<std::function<void()>> posted_;  // guarded by mutex_
    bool quit_requested_ = false;               // guarded by mutex_
    int quit_code_ = 0;                         // guarded by mutex_

    // Everything below: UI thread only.
    std::uint64_t now_ms_ = 0;
    TimerId next_timer_id_ = 1;
    std::map<TimerId, Timer> timers_;
    std::chrono::milliseconds idle_wait_limit_ = kDefaultIdleWaitLimit;
    std::vector<ModalFrame*> modal_frames_;  // innermost last; each lives in its RunModal
    std::deque<ModalScript> modal_scripts_;
    std::deque<FileAnswer> file_answers_;
    std::deque<FolderAnswer> folder_answers_;
    std::vector<FileChooserOptions> file_calls_;
    std::vector<FolderChooserOptions> folder_calls_;
    bool tray_host_present_ = false;
    std::vector<HeadlessWindow*> windows_;       // not owned; each window removes itself
    std::vector<HeadlessTrayIcon*> tray_icons_;  // not owned; each icon removes itself
    std::vector<HeadlessNotification> notifications_;
    std::vector<std::string> opened_uris_;
};

}  // namespace platform
