#include <gtest/gtest.h>
#include <leptonica/allheaders.h>

#include <fstream>
#include <string>

#include "reconstruct/OcrPictureFile.h"
#include "support/TempDir.h"

namespace reconstruct {
namespace {

namespace fs = std::filesystem;

// White, with a black square marking the top-left corner; `dpi` 0 states no resolution.
Pix* Marked(int width, int height, int dpi) {
    Pix* pix = pixCreate(width, height, 32);
    pixSetAllArbitrary(pix, 0xFFFFFF00);
    Box* corner = boxCreate(0, 0, 4, 4);
    pixSetInRectArbitrary(pix, corner, 0);
    boxDestroy(&corner);
    pixSetResolution(pix, dpi, dpi);
    return pix;
}

void Write(const fs::path& file, int width, int height, int dpi, int format) {
    Pix* pix = Marked(width, height, dpi);
    ASSERT_EQ(pixWrite(file.c_str(), pix, format), 0) << file;
    pixDestroy(&pix);
}

bool DarkAt(const OcrPicture& picture, int x, int y) {
    l_uint32 value = 0;
    pixGetPixel(picture.Get(), x, y, &value);
    return pixGetDepth(picture.Get()) == 32 ? (value >> L_GREEN_SHIFT & 0xFF) < 128 : value < 128;
}

class OcrPictureFileTest : public ::testing::Test {
protected:
    OcrPicture Read(const fs::path& file, int index = 0, PictureReadOptions options = {}) {
        OcrPicture picture;
        std::string error;
        EXPECT_TRUE(ReadPicturePage(file, index, options, &picture, &error)) << file << error;
        return picture;
    }

    TempDir temp_;
};

TEST_F(OcrPictureFileTest, ResolutionComesFromTheFileUnlessItIsAPlaceholder) {
    const struct {
        const char* name;
        int format;
        int dpi;
        int expected;
    } cases[] = {
        {"scan.png", IFF_PNG, 150, 150},       {"scan.tif", IFF_TIFF_ZIP, 600, 600},
        {"scan.jpg", IFF_JFIF_JPEG, 200, 200}, {"screen.png", IFF_PNG, 72, 300},
        {"none.bmp", IFF_BMP, 0, 300},         {"absurd.png", IFF_PNG, 5000, 300},
    };
    for (const auto& c : cases) {
        Write(temp_ / c.name, 120, 80, c.dpi, c.format);
        const OcrPicture picture = Read(temp_ / c.name);
        EXPECT_EQ(picture.Width(), 120) << c.name;
        EXPECT_EQ(picture.Height(), 80) << c.name;
        EXPECT_EQ(picture.Dpi(), c.expected) << c.name;
        EXPECT_TRUE(DarkAt(picture, 1, 1)) << c.name;
        EXPECT_FALSE(DarkAt(picture, 100, 60)) << c.name;
    }
}

TEST_F(OcrPictureFileTest, EveryFrameOfATiffIsAPage) {
    const fs::path file = temp_ / "pages.tif";
    for (int page = 0; page < 3; ++page) {
        Pix* pix = Marked(100 + page * 10, 50, 300);
        ASSERT_EQ(pixWriteTiff(file.c_str(), pix, IFF_TIFF_ZIP, page == 0 ? "w" : "a"), 0);
        pixDestroy(&pix);
    }
    std::string error;
    EXPECT_EQ(PicturePageCount(file, &error), 3) << error;
    EXPECT_EQ(Read(file, 2).Width(), 120);
    Write(temp_ / "one.png", 10, 10, 0, IFF_PNG);
    EXPECT_EQ(PicturePageCount(temp_ / "one.png", &error), 1) << error;
    OcrPicture beyond;
    EXPECT_FALSE(ReadPicturePage(file, 3, {}, &beyond, &error));
    EXPECT_TRUE(beyond.Empty());
}

TEST_F(OcrPictureFileTest, CameraOrientationTurnsThePixelsUpright) {
    Write(temp_ / "photo.png", 60, 40, 300, IFF_PNG);
    const struct {
        int orientation;
        int width;
        int corner_x;  // where the marked corner ends up, on the top row or the bottom row
        int corner_y;
    } cases[] = {
        {1, 60, 1, 1}, {2, 60, 58, 1}, {3, 60, 58, 38}, {4, 60, 1, 38},
        {5, 40, 1, 1}, {6, 40, 38, 1}, {7, 40, 38, 58}, {8, 40, 1, 58},
    };
    for (const auto& c : cases) {
        PictureReadOptions options;
        options.orientation = c.orientation;
        const OcrPicture picture = Read(temp_ / "photo.png", 0, options);
        EXPECT_EQ(picture.Width(), c.width) << c.orientation;
        EXPECT_TRUE(DarkAt(picture, c.corner_x, c.corner_y)) << c.orientation;
    }
}

TEST_F(OcrPictureFileTest, HugePicturesAreScaledDownKeepingTheirSizeOnPaper) {
    Write(temp_ / "big.png", 800, 600, 200, IFF_PNG);
    Write(temp_ / "big.jpg", 800, 600, 200, IFF_JFIF_JPEG);
    for (const char* name : {"big.png", "big.jpg"}) {
        PictureReadOptions options;
        options.max_pixels = 30000;
        const OcrPicture picture = Read(temp_ / name, 0, options);
        EXPECT_LE(double(picture.Width()) * picture.Height(), 30000 * 1.02) << name;
        EXPECT_NEAR(picture.Width(), 200, 2) << name;
        // 4 inches across, before and after.
        EXPECT_NEAR(double(picture.Width()) / picture.Dpi(), 4.0, 0.05) << name;
    }
}

TEST_F(OcrPictureFileTest, WhatIsNoPictureFailsWithAReason) {
    std::ofstream(temp_ / "empty.png").close();
    std::ofstream(temp_ / "text.png") << "not a picture at all";
    // A PNG signature and header, then nothing.
    Write(temp_ / "whole.png", 50, 50, 0, IFF_PNG);
    std::string png;
    {
        std::ifstream in(temp_ / "whole.png", std::ios::binary);
        png.assign(std::istreambuf_iterator<char>(in), {});
    }
    std::ofstream(temp_ / "cut.png", std::ios::binary) << png.substr(0, 40);
    for (const char* name : {"missing.png", "empty.png", "text.png", "cut.png"}) {
        std::string error;
        OcrPicture picture;
        const bool counted = PicturePageCount(temp_ / name, &error) > 0;
        EXPECT_FALSE(counted && ReadPicturePage(temp_ / name, 0, {}, &picture, &error)) << name;
        EXPECT_FALSE(error.empty()) << name;
        EXPECT_TRUE(picture.Empty()) << name;
    }
}

}  // namespace
}  // namespace reconstruct
