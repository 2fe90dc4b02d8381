#include "tasks/ImageResizeImpl.h"

#include <system_error>

#include "app/AsynLog.h"
#include "tasks/ImageResizeBatch.h"

using image_resize::ResizeBatch;

namespace {

std::atomic<int> g_running_threads{0};  // every resizer thread of the process, lock-free

// Set once by each resizer thread for itself, so that calls arriving from inside a callback can
// be told apart from the window's.
thread_local const ImageResizeImpl* t_owner = nullptr;
thread_local ResizeBatch* t_batch = nullptr;

}  // namespace

ImageResizeImpl::ImageResizeImpl(std::chrono::milliseconds stop_wait) : stop_wait_(stop_wait) {}

ImageResizeImpl::~ImageResizeImpl() {
    Stop();
    // Still attached only when destroyed from inside its own callback: the thread cannot wait for
    // itself, so it is let go; it holds the batch and ends after that callback.
    std::lock_guard lock(mutex_);
    if (thread_.joinable())
        thread_.detach();
}

bool ImageResizeImpl::Start(const std::vector<std::string>& files,
                            const ImageResizeOptions& options,
                            IBatchResizeImageCallback* callback) {
    if (OnOwnThread()) {
        keasy::AsynLog::Instance().Print("ImageResizeImpl::Start refused on its own thread");
        return false;
    }
    std::lock_guard lock(mutex_);
    stopping_.store(true);
    StopRunningBatch();
    stopping_.store(false);

    auto batch = std::make_shared<ResizeBatch>(files, options, callback,
                                               image_resize::ResultCounter::Process());
    g_running_threads.fetch_add(1);
    try {
        thread_ = std::thread([owner = this, batch] {
            t_owner = owner;  // compared only, never followed: the resizer may be gone
            t_batch = batch.get();
            batch->Run();
            g_running_threads.fetch_sub(1);
        });
    } catch (const std::system_error& error) {
        g_running_threads.fetch_sub(1);
        keasy::AsynLog::Instance().Print("ImageResizeImpl::Start thread failed:%s", error.what());
        return false;
    }
    batch_ = std::move(batch);
    return true;
}

bool ImageResizeImpl::Stop() {
    stopping_.store(true);
    if (OnOwnThread()) {
        t_batch->RequestStopFromCallback();
        return false;
    }
    std::lock_guard lock(mutex_);
    return StopRunningBatch();
}

bool ImageResizeImpl::IsStopping() {
    return stopping_.load();
}

int ImageResizeImpl::RunningThreads() {
    return g_running_threads.load();
}

bool ImageResizeImpl::OnOwnThread() const {
    return t_owner == this;
}

bool ImageResizeImpl::StopRunningBatch() {
    if (!thread_.joinable())
        return true;
    batch_->RequestStop();
    const bool ended = batch_->WaitDone(stop_wait_);
    if (ended) {
        thread_.join();
    } else {
        keasy::AsynLog::Instance().Print("ImageResizeImpl::Stop thread still busy after %d ms",
                                         static_cast<int>(stop_wait_.count()));
        thread_.detach();
    }
    batch_.reset();
    return ended;
}
