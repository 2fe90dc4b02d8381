#pragma once

#include <json/value.h>

#include <filesystem>
#include <string>
#include <vector>

#include "convcore/PictureCodec.h"
#include "convcore/RecordingContext.h"
#include "convcore/TaskContext.h"

// Pictures the picture-command tests make for themselves, and ways to look at the results.
namespace picturetest {

using convcore::Bitmap;

// Four quadrants: red top left, green top right, blue bottom left, white bottom right.
Bitmap Quadrants(int width, int height);
// Random colours, which no encoder can shrink much.
Bitmap Noise(int width, int height);
// 32-bit: the left half opaque red, the right half fully transparent black.
Bitmap HalfTransparent(int width, int height);

// A camera's orientation tag, as a raw EXIF block that the JPEG writer stores.
void TagOrientation(FIBITMAP* bitmap, int orientation);
void Save(FIBITMAP* bitmap, const std::filesystem::path& file, int flags = 0);
Bitmap Load(const std::filesystem::path& file, int flags = 0);

// 'r', 'g', 'b', 'w', 'k' (black) for a clear primary, '?' otherwise; y counts from the top.
char ColourAt(FIBITMAP* bitmap, int x, int y);
int AlphaAt(FIBITMAP* bitmap, int x, int y);

std::string ReadBytes(const std::filesystem::path& file);
std::vector<std::string> NamesIn(const std::filesystem::path& folder);

// Page 1 of a PDF drawn at 72 dpi by a second tool.
Bitmap RenderFirstPage(const std::filesystem::path& pdf);

// Runs a record through the dispatcher the picture commands are registered with.
convcore::TaskOutcome RunPictureCommand(const Json::Value& record,
                                        convcoretest::RecordingContext& context);

}  // namespace picturetest
