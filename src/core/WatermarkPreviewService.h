#pragma once

#include <atomic>
#include <filesystem>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "core/PipeLibrary.h"
#include "core/WatermarkSettings.h"
#include "quire-pipe/PipeInterfaces.h"

namespace platform {
class Process;
}

class PreviewMsgProcessor;

// What the preview service needs from the watermark dialog. Both calls come from a pipe
// thread, never from the dialog's own thread: an implementation posts to its UI thread and
// returns at once. They stop once WatermarkPreviewService::Stop has returned.
class IWatermarkPreviewView {
public:
    virtual ~IWatermarkPreviewView() = default;
    // A new preview was handed to the core: show the busy indicator after 500 ms (kill
    // timers 1 and 2, set timer 1).
    virtual void OnPreviewRequested() = 0;
    // The core wrote a preview. `png` is the image file's content, read at once so that the
    // next preview may overwrite the file; hide the busy indicator after 200 ms (kill timers
    // 1 and 2, set timer 2).
    virtual void OnPreviewReady(std::vector<unsigned char> png) = 0;
};

// The live preview of the watermark dialog: a pipe server of its own and one conversion core
// in multi-task mode that asks for the current settings whenever it is idle and renders the
// first page of the source document with them. Start, SetSettings and Stop belong to the
// dialog's thread.
class WatermarkPreviewService {
public:
    struct Paths {
        std::filesystem::path pipe_library;     // libquire-pipe.so
        std::filesystem::path core_executable;  // quire-core
        std::filesystem::path preview_image;    // written by the core, read back here
    };

    // The program folder's library and core; the image in the user folder, since the program
    // folder is read-only.
    static Paths DefaultPaths();

    WatermarkPreviewService(IWatermarkPreviewView& view, std::filesystem::path source_pdf,
                            Paths paths = DefaultPaths());
    ~WatermarkPreviewService();
    WatermarkPreviewService(const WatermarkPreviewService&) = delete;
    WatermarkPreviewService& operator=(const WatermarkPreviewService&) = delete;

    // Serves the pipe "watermark_preview" and starts the preview core. False, with a log line,
    // when there is no preview: no pipe library, the pipe is taken, or the core cannot start.
    // True at once while already serving.
    bool Start();
    // The next idle core request gets these settings.
    void SetSettings(const WatermarkSettings& settings);
    // Ends the serving; the core sees its pipe close and ends by itself. Idempotent.
    void Stop();

    // For the preview handlers, on pipe threads.
    // The settings when they changed since the last call (clearing that mark), else nullopt.
    std::optional<WatermarkSettings> TakeChangedSettings();
    const std::string& SourcePath() const { return source_pdf_; }
    const std::filesystem::path& PreviewImagePath() const { return paths_.preview_image; }
    IWatermarkPreviewView& View() { return view_; }

private:
    bool SpawnCore();

    IWatermarkPreviewView& view_;
    const std::string source_pdf_;  // UTF-8, as it goes into the record
    const Paths paths_;

    PipeLibrary pipe_library_;  // loaded once, at construction

    IPipeSvr* pipe_svr_ = nullptr;                    // dialog thread only (Start, Stop)
    std::unique_ptr<PreviewMsgProcessor> processor_;  // the prototype; outlives the server
    // Never killed: kept so that the core is reaped once it has ended.
    std::unique_ptr<platform::Process> core_;  // dialog thread only

    std::mutex settings_mutex_;   // guards settings_
    WatermarkSettings settings_;  // guarded by settings_mutex_
    // Set by the dialog's thread, cleared by a pipe thread when it hands the settings out;
    // set after the settings are stored and cleared before they are read, so that a change
    // is never lost between the two threads.
    std::atomic<bool> dirty_{true};
};
