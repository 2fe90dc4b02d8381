#include "convcore/PictureTestPictures.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <iterator>
#include <random>

#include "convcore/CommandDispatcher.h"
#include "convcore/PictureCommands.h"
#include "support/TestPdf.h"

namespace picturetest {
namespace {

void SetPixel(FIBITMAP* bitmap, int x, int y, BYTE red, BYTE green, BYTE blue) {
    const int height = static_cast<int>(FreeImage_GetHeight(bitmap));
    const unsigned step = FreeImage_GetBPP(bitmap) / 8;
    BYTE* pixel = FreeImage_GetScanLine(bitmap, height - 1 - y) + x * step;
    pixel[FI_RGBA_RED] = red;
    pixel[FI_RGBA_GREEN] = green;
    pixel[FI_RGBA_BLUE] = blue;
}

}  // namespace

Bitmap Quadrants(int width, int height) {
    Bitmap bitmap(FreeImage_Allocate(width, height, 24));
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            const bool left = x < width / 2;
            const bool top = y < height / 2;
            if (top && left)
                SetPixel(bitmap.get(), x, y, 255, 0, 0);
            else if (top)
                SetPixel(bitmap.get(), x, y, 0, 255, 0);
            else if (left)
                SetPixel(bitmap.get(), x, y, 0, 0, 255);
            else
                SetPixel(bitmap.get(), x, y, 255, 255, 255);
        }
    }
    return bitmap;
}

Bitmap Noise(int width, int height) {
    Bitmap bitmap(FreeImage_Allocate(width, height, 24));
    std::mt19937 random(7);
    std::uniform_int_distribution<int> sample(0, 255);
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x)
            SetPixel(bitmap.get(), x, y, static_cast<BYTE>(sample(random)),
                     static_cast<BYTE>(sample(random)), static_cast<BYTE>(sample(random)));
    }
    return bitmap;
}

Bitmap HalfTransparent(int width, int height) {
    Bitmap bitmap(FreeImage_Allocate(width, height, 32));
    for (int y = 0; y < height; ++y) {
        BYTE* row = FreeImage_GetScanLine(bitmap.get(), y);
        for (int x = 0; x < width; ++x) {
            const bool opaque = x < width / 2;
            row[x * 4 + FI_RGBA_RED] = opaque ? 255 : 0;
            row[x * 4 + FI_RGBA_GREEN] = 0;
            row[x * 4 + FI_RGBA_BLUE] = 0;
            row[x * 4 + FI_RGBA_ALPHA] = opaque ? 255 : 0;
        }
    }
    return bitmap;
}

void TagOrientation(FIBITMAP* bitmap, int orientation) {
    // "Exif\0\0", a little-endian TIFF header and one directory with the orientation entry.
    std::vector<BYTE> block{'E', 'x',  'i',  'f', 0,
                            0,   'I',  'I',  42,  0,
                            8,   0,    0,    0,   1,
                            0,   0x12, 0x01, 3,   0,
                            1,   0,    0,    0,   static_cast<BYTE>(orientation),
                            0,   0,    0,    0,   0,
                            0,   0};
    FITAG* tag = FreeImage_CreateTag();
    FreeImage_SetTagKey(tag, "ExifRaw");
    FreeImage_SetTagType(tag, FIDT_BYTE);
    FreeImage_SetTagLength(tag, static_cast<DWORD>(block.size()));
    FreeImage_SetTagCount(tag, static_cast<DWORD>(block.size()));
    FreeImage_SetTagValue(tag, block.data());
    FreeImage_SetMetadata(FIMD_EXIF_RAW, bitmap, "ExifRaw", tag);
    FreeImage_DeleteTag(tag);
}

void Save(FIBITMAP* bitmap, const std::filesystem::path& file, int flags) {
    ASSERT_TRUE(
        FreeImage_Save(FreeImage_GetFIFFromFilename(file.c_str()), bitmap, file.c_str(), flags))
        << file;
}

Bitmap Load(const std::filesystem::path& file, int flags) {
    return Bitmap(FreeImage_Load(FreeImage_GetFileType(file.c_str(), 0), file.c_str(), flags));
}

char ColourAt(FIBITMAP* bitmap, int x, int y) {
    RGBQUAD colour{};
    const int row = static_cast<int>(FreeImage_GetHeight(bitmap)) - 1 - y;
    if (FreeImage_GetBPP(bitmap) <= 8) {
        BYTE index = 0;
        FreeImage_GetPixelIndex(bitmap, static_cast<unsigned>(x), static_cast<unsigned>(row),
                                &index);
        colour = FreeImage_GetPalette(bitmap)[index];
    } else {
        FreeImage_GetPixelColor(bitmap, static_cast<unsigned>(x), static_cast<unsigned>(row),
                                &colour);
    }
    auto high = [](BYTE value) { return value > 200; };
    auto low = [](BYTE value) { return value < 60; };
    const BYTE r = colour.rgbRed, g = colour.rgbGreen, b = colour.rgbBlue;
    if (high(r) && high(g) && high(b))
        return 'w';
    if (low(r) && low(g) && low(b))
        return 'k';
    if (high(r) && low(g) && low(b))
        return 'r';
    if (low(r) && high(g) && low(b))
        return 'g';
    if (low(r) && low(g) && high(b))
        return 'b';
    return '?';
}

int AlphaAt(FIBITMAP* bitmap, int x, int y) {
    RGBQUAD colour{};
    const int row = static_cast<int>(FreeImage_GetHeight(bitmap)) - 1 - y;
    FreeImage_GetPixelColor(bitmap, static_cast<unsigned>(x), static_cast<unsigned>(row), &colour);
    return colour.rgbReserved;
}

std::string ReadBytes(const std::filesystem::path& file) {
    std::ifstream in(file, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

std::vector<std::string> NamesIn(const std::filesystem::path& folder) {
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(folder))
        names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

Bitmap RenderFirstPage(const std::filesystem::path& pdf) {
    const std::filesystem::path image = pdf.parent_path() / "rendered.png";
    if (!testdocs::RunTool("mutool",
                           {"draw", "-q", "-r", "72", "-o", image.string(), pdf.string(), "1"}))
        return nullptr;
    Bitmap page = Load(image);
    std::filesystem::remove(image);
    return page;
}

convcore::TaskOutcome RunPictureCommand(const Json::Value& record,
                                        convcoretest::RecordingContext& context) {
    convcore::CommandDispatcher dispatcher;
    convcore::RegisterPictureCommands(dispatcher);
    return dispatcher.HandlerFor(record)(record, context);
}

}  // namespace picturetest
