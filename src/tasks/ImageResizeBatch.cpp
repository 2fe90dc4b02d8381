#include "tasks/ImageResizeBatch.h"

#include <filesystem>
#include <system_error>

#include "app/AsynLog.h"
#include "platform/Text.h"
#include "tasks/ImageResizePicture.h"
#include "tasks/ImageResizeTarget.h"

namespace image_resize {
namespace {

// A GIF that needs no resizing is passed on whole, so that it keeps every frame.
bool KeepsSourceAsItIs(const LoadedPicture& picture, PixelSize target,
                       const std::string& extension) {
    return picture.format == FIF_GIF && platform::EqualsIgnoreAsciiCase(extension, "gif") &&
           picture.Size() == target;
}

}  // namespace

ResizeBatch::ResizeBatch(std::vector<std::string> files, ImageResizeOptions options,
                         IBatchResizeImageCallback* callback, ResultCounter& counter)
    : files_(std::move(files)),
      options_(std::move(options)),
      counter_(counter),
      callback_(callback) {}

void ResizeBatch::Run() {
    bool has_callback = false;
    {
        std::lock_guard lock(callback_mutex_);
        has_callback = callback_ != nullptr;
    }
    // Nobody would learn of the results.
    if (has_callback)
        ResizeAll();
    MarkDone();
}

void ResizeBatch::ResizeAll() {
    std::error_code error;
    std::filesystem::create_directories(options_.output_folder, error);
    if (error)
        keasy::AsynLog::Instance().Print("ImageResizeImpl::Run create folder failed:%s, path:%ws",
                                         error.message(), options_.output_folder);
    for (const std::string& path : files_) {
        if (stop_.load())
            return;
        ReportPicture(path, ResizeOne(path));
    }
    ReportFinished();
}

std::optional<std::string> ResizeBatch::ResizeOne(const std::string& path) {
    const std::string extension = ResultExtension(path);
    if (extension.empty()) {
        keasy::AsynLog::Instance().Print("ImageResizeImpl::ResizeOne no extension, path:%ws", path);
        return std::nullopt;
    }
    std::optional<LoadedPicture> picture = LoadPicture(path);
    if (!picture)
        return std::nullopt;
    const std::optional<PixelSize> target = TargetSize(picture->Size(), options_);
    if (!target) {
        keasy::AsynLog::Instance().Print(
            "ImageResizeImpl::ResizeOne no target size, mode:%d, width:%d, height:%d, path:%ws",
            options_.mode, picture->Size().width, picture->Size().height, path);
        return std::nullopt;
    }
    if (KeepsSourceAsItIs(*picture, *target, extension))
        return PublishResult(options_.output_folder, extension, picture->bytes, counter_);
    Bitmap scaled = Rescale(picture->bitmap.get(), *target);
    picture.reset();  // the full-size bitmap is the largest thing held; free it before encoding
    if (!scaled) {
        keasy::AsynLog::Instance().Print("ImageResizeImpl::ResizeOne rescale failed, path:%ws",
                                         path);
        return std::nullopt;
    }
    const std::optional<std::string> bytes = EncodePicture(std::move(scaled), extension);
    if (!bytes) {
        keasy::AsynLog::Instance().Print("ImageResizeImpl::ResizeOne save failed, ext:%s, path:%ws",
                                         extension, path);
        return std::nullopt;
    }
    return PublishResult(options_.output_folder, extension, *bytes, counter_);
}

void ResizeBatch::ReportPicture(const std::string& path, const std::optional<std::string>& result) {
    std::lock_guard lock(callback_mutex_);
    if (!callback_ || stop_.load())
        return;
    if (result)
        callback_->OnImageResized(path, IBatchResizeImageCallback::kResized, *result);
    else
        callback_->OnImageResized(path, IBatchResizeImageCallback::kFailed, std::string());
}

void ResizeBatch::ReportFinished() {
    std::lock_guard lock(callback_mutex_);
    if (!callback_ || stop_.load())
        return;
    callback_->OnFinished(static_cast<int>(files_.size()), 0);
}

void ResizeBatch::RequestStop() {
    std::lock_guard lock(callback_mutex_);
    stop_.store(true);
    callback_ = nullptr;
}

void ResizeBatch::RequestStopFromCallback() {
    stop_.store(true);
}

bool ResizeBatch::WaitDone(std::chrono::milliseconds limit) {
    std::unique_lock lock(done_mutex_);
    return done_cv_.wait_for(lock, limit, [this] { return done_; });
}

void ResizeBatch::MarkDone() {
    std::lock_guard lock(done_mutex_);
    done_ = true;
    done_cv_.notify_all();
}

}  // namespace image_resize
