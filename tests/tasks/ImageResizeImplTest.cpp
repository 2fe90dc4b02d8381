// Whole batches on the resizer's own thread, with pictures made by the tests: what each picture
// becomes, the order and count of the callbacks, and every way a batch can be stopped. A stopped
// batch must never call back again, because the window that owned the callback is going away.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <filesystem>
#include <functional>
#include <memory>
#include <mutex>
#include <set>
#include <thread>
#include <vector>

#include "ImageResizeTestPictures.h"
#include "platform/Format.h"
#include "support/TempDir.h"
#include "support/WaitUntil.h"
#include "tasks/ImageResizeImpl.h"
#include "tasks/ImageResizeOutput.h"

namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;
using resize_test::Shape;

struct Resized {
    std::string source;
    int status = 0;
    std::string result;
    bool operator==(const Resized&) const = default;
};

class RecordingCallback : public IBatchResizeImageCallback {
public:
    struct Log {
        std::vector<Resized> resized;
        std::vector<std::pair<int, int>> finished;
        int late_calls = 0;  // calls after Close
        bool on_test_thread = false;
    };

    // Runs inside OnImageResized with the index of the call.
    std::function<void(std::size_t)> during_resized;

    void OnImageResized(const std::string& source, int status, const std::string& result) override {
        const std::size_t index = Note([&](Log& log) {
            log.resized.push_back({source, status, result});
        });
        if (during_resized)
            during_resized(index);
    }
    void OnFinished(int count, int reserved) override {
        Note([&](Log& log) { log.finished.push_back({count, reserved}); });
    }
    // From now on every call is a fault: the window that owned this callback is gone.
    void Close() { closed_ = true; }
    Log Snapshot() {
        std::lock_guard lock(mutex_);
        return log_;
    }
    bool FinishedWithin(std::chrono::milliseconds limit) {
        return WaitUntil([this] { return !Snapshot().finished.empty(); }, limit);
    }

private:
    template <typename Change>
    std::size_t Note(Change change) {
        std::lock_guard lock(mutex_);
        log_.late_calls += closed_ ? 1 : 0;
        log_.on_test_thread |= std::this_thread::get_id() == test_thread_;
        change(log_);
        return log_.resized.size() - 1;
    }

    const std::thread::id test_thread_ = std::this_thread::get_id();
    std::atomic<bool> closed_{false};
    std::mutex mutex_;
    Log log_;  // guarded by mutex_
};

ImageResizeOptions FitWithin(const fs::path& folder, int width = 188, int height = 108) {
    ImageResizeOptions options;
    options.output_folder = folder.string();
    options.mode = kResizeFitWithin;
    options.width = width;
    options.height = height;
    return options;
}

std::string NumberedName(const fs::path& folder, std::int32_t number, const char* extension) {
    return (folder / platform::Format("%10d.%s", number, extension)).string();
}

std::set<std::string> FilesIn(const fs::path& folder) {
    std::set<std::string> files;
    for (const auto& entry : fs::directory_iterator(folder))
        files.insert(entry.path().string());
    return files;
}

// A picture large enough that decoding and rescaling it takes a noticeable time.
std::string SlowPicture(const TempDir& temp) {
    const fs::path path = temp / "big.jpg";
    EXPECT_TRUE(resize_test::WritePicture(path, FIF_JPEG, 4000, 3000));
    return path.string();
}

std::string SmallPicture(const TempDir& temp, const std::string& name) {
    const fs::path path = temp / name;
    EXPECT_TRUE(resize_test::WritePicture(path, FIF_PNG, 40, 30));
    return path.string();
}

TEST(ImageResizeImplTest, BatchReportsEveryPictureInListOrderThenFinishes) {
    TempDir temp;
    ASSERT_TRUE(resize_test::WritePicture(temp / "photo.png", FIF_PNG, 400, 300));
    ASSERT_TRUE(resize_test::WritePicture(temp / "tall.jpg", FIF_JPEG, 100, 800));
    ASSERT_TRUE(resize_test::WriteAnimatedGif(temp / "anim.gif", 376, 216, 2));
    ASSERT_TRUE(resize_test::WriteAnimatedGif(temp / "fits.gif", 188, 108, 2));
    fs::copy_file(temp / "photo.png", temp / "upper.PNG");
    fs::copy_file(temp / "photo.png", temp / "noext");
    resize_test::WriteBytes(temp / "empty.png", "");
    resize_test::WriteBytes(temp / "corrupt.jpg", std::string("\xFF\xD8\xFF\xE0garbage", 10));

    struct Expected {
        const char* file;
        const char* extension;  // null when the picture must fail
        Shape shape;
    };
    const Expected expected[] = {
        {"photo.png", "png", {144, 108}}, {"missing.png", nullptr, {}},
        {"tall.jpg", "jpg", {13, 108}},   {"empty.png", nullptr, {}},
        {"anim.gif", "gif", {188, 108}},  {"corrupt.jpg", nullptr, {}},
        {"fits.gif", "gif", {188, 108}},  {"noext", nullptr, {}},
        {"upper.PNG", "PNG", {144, 108}},
    };
    std::vector<std::string> files;
    for (const Expected& e : expected)
        files.push_back((temp / e.file).string());

    const fs::path out = temp / "thumbs" / "nested";
    const std::int32_t base = image_resize::ResultCounter::Process().Peek();
    RecordingCallback callback;
    ImageResizeImpl resizer;
    ASSERT_TRUE(resizer.Start(files, FitWithin(out), &callback));
    ASSERT_TRUE(callback.FinishedWithin(30s));

    const RecordingCallback::Log log = callback.Snapshot();
    const std::vector<Resized>& calls = log.resized;
    ASSERT_EQ(calls.size(), files.size());
    std::set<std::string> results;
    std::int32_t number = base;
    for (std::size_t i = 0; i < calls.size(); ++i) {
        SCOPED_TRACE(expected[i].file);
        if (!expected[i].extension) {
            EXPECT_EQ(calls[i], (Resized{files[i], IBatchResizeImageCallback::kFailed, ""}));
            continue;
        }
        const std::string result = NumberedName(out, ++number, expected[i].extension);
        EXPECT_EQ(calls[i], (Resized{files[i], IBatchResizeImageCallback::kResized, result}));
        EXPECT_EQ(resize_test::ShapeOf(result), expected[i].shape);
        results.insert(result);
    }
    EXPECT_EQ(log.finished, (std::vector<std::pair<int, int>>{{9, 0}}));
    EXPECT_FALSE(log.on_test_thread);
    EXPECT_EQ(image_resize::ResultCounter::Process().Peek(), number);
    // Nothing half-written or temporary is left beside the results.
    EXPECT_EQ(FilesIn(out), results);

    // A GIF that already has the asked size keeps its animation; one that is resized becomes its
    // first frame.
    EXPECT_EQ(resize_test::ReadBytes(calls[6].result), resize_test::ReadBytes(temp / "fits.gif"));
    EXPECT_EQ(resize_test::GifFrameCount(calls[6].result), 2);
    EXPECT_EQ(resize_test::GifFrameCount(calls[4].result), 1);
}

TEST(ImageResizeImplTest, StopEndsTheBatchBetweenPicturesAndSilencesIt) {
    TempDir temp;
    std::vector<std::string> files = {SmallPicture(temp, "a.png"), SlowPicture(temp)};
    for (int i = 0; i < 5; ++i)
        files.push_back(SmallPicture(temp, platform::Format("more%d.png", i)));
    const int threads_before = ImageResizeImpl::RunningThreads();

    RecordingCallback callback;
    ImageResizeImpl resizer;
    std::atomic<bool> in_first_callback{false};
    callback.during_resized = [&](std::size_t index) {
        if (index != 0)
            return;
        in_first_callback = true;
        // Holds the batch until the window has begun to stop it.
        WaitUntil([&] { return resizer.IsStopping(); });
    };
    ASSERT_TRUE(resizer.Start(files, FitWithin(temp / "out"), &callback));
    ASSERT_TRUE(WaitUntil([&] { return in_first_callback.load(); }));
    EXPECT_TRUE(resizer.Stop());
    callback.Close();

    EXPECT_TRUE(resizer.IsStopping());
    EXPECT_EQ(ImageResizeImpl::RunningThreads(), threads_before);
    const RecordingCallback::Log log = callback.Snapshot();
    EXPECT_EQ(log.resized.size(), 1u);
    EXPECT_TRUE(log.finished.empty());
    EXPECT_EQ(log.late_calls, 0);
}

TEST(ImageResizeImplTest, StopFromInsideACallbackEndsTheBatchAfterIt) {
    TempDir temp;
    const std::vector<std::string> files = {
        SmallPicture(temp, "a.png"), SmallPicture(temp, "b.png"), SmallPicture(temp, "c.png")};
    const int threads_before = ImageResizeImpl::RunningThreads();

    RecordingCallback callback;
    ImageResizeImpl resizer;
    std::atomic<int> stop_answer{-1};
    callback.during_resized = [&](std::size_t index) {
        if (index == 0)
            stop_answer = resizer.Stop() ? 1 : 0;
    };
    ASSERT_TRUE(resizer.Start(files, FitWithin(temp / "out"), &callback));
    ASSERT_TRUE(WaitUntil([&] { return ImageResizeImpl::RunningThreads() == threads_before; }));

    EXPECT_EQ(stop_answer, 0) << "the thread cannot wait for itself";
    EXPECT_EQ(callback.Snapshot().resized.size(), 1u);
    EXPECT_TRUE(callback.Snapshot().finished.empty());
    EXPECT_TRUE(resizer.Stop());
}

TEST(ImageResizeImplTest, StopGivesUpAfterItsBoundAndTheThreadFinishesAlone) {
    TempDir temp;
    const std::vector<std::string> files = {SmallPicture(temp, "a.png"), SlowPicture(temp),
                                            SmallPicture(temp, "c.png")};
    const int threads_before = ImageResizeImpl::RunningThreads();

    RecordingCallback callback;
    auto resizer = std::make_unique<ImageResizeImpl>(1ms);
    std::atomic<bool> first_reported{false};
    callback.during_resized = [&](std::size_t index) {
        if (index == 0)
            first_reported = true;
    };
    ASSERT_TRUE(resizer->Start(files, FitWithin(temp / "out"), &callback));
    ASSERT_TRUE(WaitUntil([&] { return first_reported.load(); }));
    // By now the thread is well into the large picture, which takes far longer than the wait.
    std::this_thread::sleep_for(20ms);
    EXPECT_FALSE(resizer->Stop());
    callback.Close();
    // The thread left behind must not need the resizer any more.
    resizer.reset();

    ASSERT_TRUE(
        WaitUntil([&] { return ImageResizeImpl::RunningThreads() == threads_before; }, 30s));
    EXPECT_EQ(callback.Snapshot().resized.size(), 1u);
    EXPECT_EQ(callback.Snapshot().late_calls, 0);
}

}  // namespace
