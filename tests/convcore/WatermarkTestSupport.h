#pragma once

#include <json/value.h>

#include <filesystem>
#include <string>

#include "convcore/PictureTestPictures.h"
#include "convcore/RecordingContext.h"
#include "convcore/TaskContext.h"

// Records, documents and pixel measurements the watermark tests share. Pages are drawn by a
// second tool at 72 dpi, so a pixel is a point of the page as the reader sees it.
namespace watermarktest {

using picturetest::Bitmap;

inline const char kChineseMark[] = "\xE6\xB0\xB4\xE5\x8D\xB0\xE6\xB5\x8B\xE8\xAF\x95";  // 水印测试

// What the dialog sends for a black text watermark of `text`, 40 points, opaque, unturned,
// centred, over the content; callers change what they test.
Json::Value TextRecord(const std::filesystem::path& source, const std::filesystem::path& target,
                       const std::string& text);
// The same for a picture shown at its own size.
Json::Value PictureRecord(const std::filesystem::path& source, const std::filesystem::path& target,
                          const std::filesystem::path& picture);
// The record turned into a preview request for `target` (a PNG), as the dialog sends it.
Json::Value AsPreview(Json::Value record, const std::filesystem::path& target);

convcore::TaskOutcome RunWatermarkCommand(const Json::Value& record,
                                          convcore::TaskContext& context);

// Page `page` (1-based) drawn by mutool at 72 dpi, or as wide as `like`. Drawings of one
// page at one scale may still differ by a row where the tools round the size differently.
Bitmap RenderPage(const std::filesystem::path& pdf, int page, const std::string& password = "",
                  FIBITMAP* like = nullptr);

struct Region {
    int left = 0;  // pixels; right and bottom exclusive
    int top = 0;
    int right = 0;
    int bottom = 0;

    int Width() const { return right - left; }
    int Height() const { return bottom - top; }
};

// Where two drawings of the same page differ, over the rows and columns they share.
struct Change {
    int pixels = 0;        // -1 when the drawings differ in size by more than a pixel
    Region box;            // around every changed pixel
    long long darker = 0;  // how much darker `after` is, summed over all pixels and channels
};

Change Compare(FIBITMAP* before, FIBITMAP* after);
// Changed pixels inside `region` only.
int ChangedIn(FIBITMAP* before, FIBITMAP* after, const Region& region);

}  // namespace watermarktest
