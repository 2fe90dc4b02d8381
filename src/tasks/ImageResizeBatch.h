#pragma once

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "tasks/IImageResize.h"
#include "tasks/ImageResizeOutput.h"

namespace image_resize {

// One batch of pictures and the state its thread shares with the window. Held by shared pointer
// between the resizer and its thread, so that a thread left to finish a slow picture after a
// bounded Stop never touches a resizer that is gone.
class ResizeBatch {
public:
    ResizeBatch(std::vector<std::string> files, ImageResizeOptions options,
                IBatchResizeImageCallback* callback, ResultCounter& counter);

    ResizeBatch(const ResizeBatch&) = delete;
    ResizeBatch& operator=(const ResizeBatch&) = delete;

    // The thread body: every picture in list order, each reported, then OnFinished. Ends
    // between two pictures once a stop was asked for.
    void Run();

    // From any thread but the batch's own: a callback in flight finishes first, none starts
    // afterwards, and the batch ends before its next picture.
    void RequestStop();
    // From inside one of this batch's callbacks, where RequestStop would wait for itself.
    void RequestStopFromCallback();

    // True once Run has returned; false when `limit` passed first.
    bool WaitDone(std::chrono::milliseconds limit);

private:
    void ResizeAll();
    std::optional<std::string> ResizeOne(const std::string& path);
    void ReportPicture(const std::string& path, const std::optional<std::string>& result);
    void ReportFinished();
    void MarkDone();

    const std::vector<std::string> files_;  // read-only after construction
    const ImageResizeOptions options_;      // read-only after construction
    ResultCounter& counter_;                // process-wide, lock-free

    std::atomic<bool> stop_{false};  // set by RequestStop under callback_mutex_, or by a callback
    std::mutex callback_mutex_;      // held for every call into the callback
    IBatchResizeImageCallback* callback_;  // guarded by callback_mutex_; null once stopped

    std::mutex done_mutex_;            // guards done_
    std::condition_variable done_cv_;  // signalled under done_mutex_ when done_ is set
    bool done_ = false;                // guarded by done_mutex_
};

}  // namespace image_resize
