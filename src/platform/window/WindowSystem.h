#pragma once

#include <chrono>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/window/NativeWindow.h"

namespace platform {

using TimerId = std::uint64_t;  // never reused within a process; 0 is no timer

struct FileFilter {
    std::string name;                   // "PDF 文件"
    std::vector<std::string> patterns;  // "*.pdf"; matched without regard to ASCII case
};

struct FileChooserOptions {
    NativeWindow* owner = nullptr;
    std::string title;
    std::vector<FileFilter> filters;
    bool multiple = true;
    std::filesystem::path start_folder;
};

struct FolderChooserOptions {
    NativeWindow* owner = nullptr;
    std::string title;
    std::filesystem::path start_folder;
};

class TrayIcon {
public:
    virtual ~TrayIcon() = default;
    std::function<void()> on_activate;
    virtual void SetTooltip(const std::string& text) = 0;
};

// The window system of the process: windows, the UI thread's loop, timers and the desktop
// services. Everything runs on the UI thread except Post.
class WindowSystem {
public:
    virtual ~WindowSystem() = default;

    virtual std::unique_ptr<NativeWindow> CreateWindow(const WindowOptions& options) = 0;

    // Any thread: runs `closure` on the UI thread, in posting order. The only way a worker
    // reaches the UI. Closures posted after the system is gone are dropped.
    virtual void Post(std::function<void()> closure) = 0;

    // Calls `tick` every `interval` until StopTimer. Stopping inside `tick` is allowed.
    virtual TimerId StartTimer(std::chrono::milliseconds interval, std::function<void()> tick) = 0;
    virtual void StopTimer(TimerId timer) = 0;
    // The clock timers follow, in milliseconds.
    virtual std::uint64_t NowMs() const = 0;

    // The outer loop: runs until Quit, returns its code.
    virtual int Run() = 0;
    virtual void Quit(int code) = 0;

    // A nested loop for a modal dialog: its owner stops taking input until EndModal(dialog);
    // returns the code given there. Returns -1 at once when the dialog is not visible.
    virtual int RunModal(NativeWindow& dialog) = 0;
    virtual void EndModal(NativeWindow& dialog, int code) = 0;

    // Nothing when the user cancels.
    virtual std::optional<std::vector<std::filesystem::path>> ChooseFiles(
        const FileChooserOptions& options) = 0;
    virtual std::optional<std::filesystem::path> ChooseFolder(
        const FolderChooserOptions& options) = 0;

    // Null when no tray host is running: the caller then keeps its window reachable itself.
    virtual std::unique_ptr<TrayIcon> CreateTrayIcon(const std::string& icon_png,
                                                     const std::string& tooltip) = 0;
    virtual bool Notify(const std::string& title, const std::string& body) = 0;
    // http(s) and file URIs, opened by the desktop's handler.
    virtual bool OpenUri(const std::string& uri) = 0;
};

}  // namespace platform
