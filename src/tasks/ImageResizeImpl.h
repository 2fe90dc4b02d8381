#pragma once

#include <atomic>
#include <chrono>
#include <memory>
#include <mutex>
#include <thread>

#include "tasks/IImageResize.h"

namespace image_resize {
class ResizeBatch;
}

// The thumbnail maker of the image-to-PDF window: one batch at a time on a thread of its own.
// Callbacks arrive on that thread; the window posts them on to its UI thread.
class ImageResizeImpl : public IImageResize {
public:
    // How long Stop waits for the picture in hand to be finished. A huge picture may take
    // longer; its thread is then left to finish it alone and reports nothing.
    static constexpr std::chrono::milliseconds kDefaultStopWait{2000};

    explicit ImageResizeImpl(std::chrono::milliseconds stop_wait = kDefaultStopWait);
    ~ImageResizeImpl() override;

    ImageResizeImpl(const ImageResizeImpl&) = delete;
    ImageResizeImpl& operator=(const ImageResizeImpl&) = delete;

    bool Start(const std::vector<std::string>& files, const ImageResizeOptions& options,
               IBatchResizeImageCallback* callback) override;
    // Also false when the thread did not end within the stop wait and was left to finish its
    // picture alone. From the resizer's own thread (inside a callback) it only asks the batch to
    // end after that callback, waits for nothing and returns false.
    bool Stop() override;
    bool IsStopping() override;

    // Resizer threads of the whole process that have not ended yet, counting those left running
    // by a Stop that gave up waiting. Shutdown may wait for 0 before the process exits.
    static int RunningThreads();

private:
    bool OnOwnThread() const;
    bool StopRunningBatch();  // caller holds mutex_ and is not on the resizer's thread

    const std::chrono::milliseconds stop_wait_;
    std::atomic<bool> stopping_{false};  // written by Start and Stop, read from any thread
    std::mutex mutex_;                   // guards thread_ and batch_; never taken by the thread
    std::thread thread_;                 // guarded by mutex_
    std::shared_ptr<image_resize::ResizeBatch> batch_;  // guarded by mutex_
};
