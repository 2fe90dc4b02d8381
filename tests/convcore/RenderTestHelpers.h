#pragma once

#include "support/TestPdf.h"

#include <json/value.h>

#include <atomic>
#include <filesystem>
#include <map>
#include <mutex>
#include <string>
#include <vector>

#include "convcore/TaskContext.h"

// What the render command tests share: a task that records what a handler reports, documents
// the tests make for themselves, and ways to look at the outputs with other tools.
namespace rendertest {

class RecordingTask : public convcore::TaskContext {
public:
    void SetProgress(int percent) override {
        std::lock_guard lock(mutex_);
        progress_.push_back(percent);
        if (percent >= cancel_at_.load())
            cancelled_.store(true);
    }
    void Report(const std::string& key, const Json::Value& value) override;
    bool IsCancelled() const override { return cancelled_.load(); }

    void Cancel() { cancelled_.store(true); }
    // Forgets what was recorded, for the next task.
    void Clear();
    // Cancels once the handler has reported `percent` or more.
    void CancelAtProgress(int percent) { cancel_at_ = percent; }

    // Every value reported under `key`, in order.
    std::vector<Json::Value> History(const std::string& key) const;
    Json::Value Last(const std::string& key) const;
    std::vector<int> Progress() const;

private:
    mutable std::mutex mutex_;  // guards the recordings; handlers report from their thread
    std::map<std::string, std::vector<Json::Value>> values_;
    std::vector<int> progress_;
    std::atomic<bool> cancelled_{false};
    std::atomic<int> cancel_at_{1000};
};

// Runs the record's "cmd" through a dispatcher that knows the render commands.
convcore::TaskOutcome RunCommand(const Json::Value& record, RecordingTask& task);

// A stream object body with its /Length; `entries` go into its dictionary.
std::string StreamObject(const std::string& entries, const std::string& data);

// One A4 page with "Hello" and the four characters of kChineseText, whose font maps its
// codes to Unicode, so the text is known whether or not a CJK font is installed.
std::string ChineseTextPdf();
inline const char kChineseText[] = "\xE4\xB8\xAD\xE6\x96\x87\xE6\xB5\x8B\xE8\xAF\x95";

// A JPEG picture made by FreeImage, `width` x `height`.
std::string MakeJpeg(int width, int height);
// One page drawing `jpeg` (stored as a DCT stream) and a 2x2 raw RGB picture.
std::string PicturesPdf(const std::string& jpeg, int jpeg_width, int jpeg_height);

struct Picture {
    bool loaded = false;
    int width = 0;
    int height = 0;
};
// Decodes an image file with FreeImage.
Picture LoadPicture(const std::filesystem::path& file);
// The colour at (x, y) counted from the top left, as 0xRRGGBB; -1 when it cannot be read.
long PixelAt(const std::filesystem::path& file, int x, int y);

std::string ReadFile(const std::filesystem::path& file);
// Names of everything in `folder`, hidden files included, sorted.
std::vector<std::string> ListFolder(const std::filesystem::path& folder);

// The text pdftotext finds in `pdf`; empty when it fails.
std::string PdftotextOf(const std::filesystem::path& pdf, const std::filesystem::path& scratch);

}  // namespace rendertest
