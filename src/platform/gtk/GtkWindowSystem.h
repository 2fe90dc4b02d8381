#pragma once

#include <glib.h>

#include <functional>
#include <map>
#include <memory>
#include <vector>

#include "platform/window/WindowSystem.h"

namespace platform {

class PostQueue;

// The window system on GTK 3. The thread that creates it is the UI thread: GTK is touched
// there only, and Post is the way in from other threads.
class GtkWindowSystem final : public WindowSystem {
public:
    // Null when GTK cannot open a display.
    static std::unique_ptr<GtkWindowSystem> Create();
    ~GtkWindowSystem() override;
    GtkWindowSystem(const GtkWindowSystem&) = delete;
    GtkWindowSystem& operator=(const GtkWindowSystem&) = delete;

    std::unique_ptr<NativeWindow> CreateWindow(const WindowOptions& options) override;
    void Post(std::function<void()> closure) override;
    TimerId StartTimer(std::chrono::milliseconds interval, std::function<void()> tick) override;
    void StopTimer(TimerId timer) override;
    std::uint64_t NowMs() const override;
    int Run() override;
    void Quit(int code) override;
    int RunModal(NativeWindow& dialog) override;
    void EndModal(NativeWindow& dialog, int code) override;
    std::optional<std::vector<std::filesystem::path>> ChooseFiles(
        const FileChooserOptions& options) override;
    std::optional<std::filesystem::path> ChooseFolder(const FolderChooserOptions& options) override;
    std::unique_ptr<TrayIcon> CreateTrayIcon(const std::string& icon_png,
                                             const std::string& tooltip) override;
    bool Notify(const std::string& title, const std::string& body) override;
    bool OpenUri(const std::string& uri) override;

private:
    struct Timer {
        guint source = 0;
        std::shared_ptr<std::function<void()>> tick;
    };
    struct ModalFrame {
        NativeWindow* dialog = nullptr;
        GMainLoop* loop = nullptr;
        int code = -1;
        bool ended = false;
        bool destroyed = false;  // the dialog went away inside its own loop
    };
    struct TimerTag {
        GtkWindowSystem* system;
        TimerId id;
    };

    GtkWindowSystem();
    static gboolean OnTimer(gpointer tag);
    static void OnModalDialogDestroyed(gpointer frame);
    static void EndFrame(ModalFrame& frame, int code);

    // Shared with the idle sources that drain it, which may outlive this object.
    std::shared_ptr<PostQueue> posts_;
    std::map<TimerId, Timer> timers_;  // UI thread
    TimerId next_timer_ = 1;           // UI thread
    GMainLoop* main_loop_ = nullptr;   // owned
    int quit_code_ = 0;
    bool quit_requested_ = false;      // a Quit not yet seen by Run
    std::vector<ModalFrame*> modals_;  // the running modal loops, innermost last
};

}  // namespace platform
