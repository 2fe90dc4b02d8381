// Decoding and encoding of single pictures: orientation, transparency, deep pixels, and files
// built to make the decoder allocate far more than they weigh.
#include <gtest/gtest.h>

#include <cstdint>

#include "ImageResizeTestPictures.h"
#include "tasks/ImageResizePicture.h"

namespace {

using image_resize::Bitmap;
using image_resize::DecodePicture;
using image_resize::EncodePicture;
using image_resize::PixelSize;

void Put16(std::string& out, std::uint16_t value) {
    out.push_back(static_cast<char>(value & 0xFF));
    out.push_back(static_cast<char>(value >> 8));
}

void Put32(std::string& out, std::uint32_t value) {
    Put16(out, static_cast<std::uint16_t>(value & 0xFFFF));
    Put16(out, static_cast<std::uint16_t>(value >> 16));
}

std::string Encoded(unsigned width, unsigned height, const char* extension) {
    return EncodePicture(Bitmap(resize_test::MakeBitmap(width, height)), extension).value_or("");
}

// A JPEG whose Exif orientation says "rotate 90 degrees clockwise to view".
std::string SidewaysJpeg(unsigned width, unsigned height) {
    const std::string jpeg = Encoded(width, height, "jpg");
    std::string exif("Exif\0\0II*\0", 10);
    Put32(exif, 8);       // first directory
    Put16(exif, 1);       // one entry:
    Put16(exif, 0x0112);  // orientation
    Put16(exif, 3);       // short
    Put32(exif, 1);
    Put16(exif, 6);
    Put16(exif, 0);
    Put32(exif, 0);  // no next directory
    std::string segment("\xFF\xE1", 2);
    segment.push_back(static_cast<char>((exif.size() + 2) >> 8));
    segment.push_back(static_cast<char>((exif.size() + 2) & 0xFF));
    return jpeg.substr(0, 2) + segment + exif + jpeg.substr(2);
}

// An 8-bit run-length BMP of the given size whose pixel data is only the end marker: a few
// hundred bytes that a decoder turns into width x height bytes.
std::string RunLengthBmp(std::int32_t width, std::int32_t height) {
    const std::string pixels("\x00\x01", 2);
    std::string info;
    for (std::uint32_t value :
         {40u, static_cast<std::uint32_t>(width), static_cast<std::uint32_t>(height)})
        Put32(info, value);
    Put16(info, 1);
    Put16(info, 8);
    for (std::uint32_t value :
         {1u, static_cast<std::uint32_t>(pixels.size()), 2835u, 2835u, 256u, 0u})
        Put32(info, value);
    const std::string palette(256 * 4, '\0');
    const auto offset = static_cast<std::uint32_t>(14 + info.size() + palette.size());
    std::string file = "BM";
    Put32(file, offset + static_cast<std::uint32_t>(pixels.size()));
    Put32(file, 0);
    Put32(file, offset);
    return file + info + palette + pixels;
}

// A one-frame, two-colour GIF with the given screen and frame geometry.
std::string TinyGif(std::uint16_t screen_width, std::uint16_t screen_height,
                    std::uint16_t frame_width, std::uint16_t frame_height) {
    std::string gif = "GIF89a";
    Put16(gif, screen_width);
    Put16(gif, screen_height);
    gif += std::string("\x80\x00\x00", 3) + std::string("\x00\x00\x00\xFF\xFF\xFF", 6);
    gif += ',';
    for (std::uint16_t value : {std::uint16_t{0}, std::uint16_t{0}, frame_width, frame_height})
        Put16(gif, value);
    gif += std::string("\x00\x02\x02\x44\x01\x00;", 7);
    return gif;
}

TEST(ImageResizePictureTest, JpegStandsUprightByItsOrientationTag) {
    const std::optional<image_resize::LoadedPicture> picture = DecodePicture(SidewaysJpeg(64, 32));
    ASSERT_TRUE(picture.has_value());
    EXPECT_EQ(picture->format, FIF_JPEG);
    EXPECT_EQ(picture->Size(), (PixelSize{32, 64}));
}

TEST(ImageResizePictureTest, FirstGifFrameIsDecodedEvenWhenItOverhangsTheScreen) {
    const struct {
        const char* name;
        std::string gif;
        PixelSize size;
    } cases[] = {
        {"frame inside the screen", TinyGif(10, 10, 10, 10), {10, 10}},
        {"frame wider than the screen", TinyGif(10, 10, 20, 5), {20, 5}},
        {"screen of zero size", TinyGif(0, 0, 5, 5), {5, 5}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const std::optional<image_resize::LoadedPicture> picture = DecodePicture(c.gif);
        ASSERT_TRUE(picture.has_value());
        EXPECT_EQ(picture->Size(), c.size);
    }
}

TEST(ImageResizePictureTest, RefusesBadAndOversizedInput) {
    const struct {
        const char* name;
        std::string bytes;
    } cases[] = {
        {"text", "hello, this is not a picture"},
        {"truncated PNG", Encoded(40, 30, "png").substr(0, 60)},
        {"BMP of 400 million pixels", RunLengthBmp(20000, 20000)},
        {"GIF screen of 4 billion pixels", TinyGif(65535, 65535, 1, 1)},
        {"GIF frame of 4 billion pixels", TinyGif(1, 1, 65535, 65535)},
        {"GIF cut before its first frame", TinyGif(10, 10, 10, 10).substr(0, 20)},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_FALSE(DecodePicture(c.bytes).has_value());
    }
}

std::optional<image_resize::LoadedPicture> RoundTrip(Bitmap bitmap, const std::string& extension) {
    const std::optional<std::string> bytes = EncodePicture(std::move(bitmap), extension);
    if (!bytes)
        return std::nullopt;
    return DecodePicture(*bytes);
}

TEST(ImageResizePictureTest, EncodesIntoWhatTheExtensionNames) {
    Bitmap clear(FreeImage_Allocate(8, 8, 32));  // every pixel transparent black
    auto jpeg = RoundTrip(std::move(clear), "JPG");
    ASSERT_TRUE(jpeg.has_value());
    EXPECT_EQ(jpeg->format, FIF_JPEG);
    RGBQUAD colour{};
    FreeImage_GetPixelColor(jpeg->bitmap.get(), 4, 4, &colour);
    EXPECT_GT(colour.rgbRed, 240) << "transparency must be flattened onto white";
    EXPECT_GT(colour.rgbBlue, 240);

    auto gif = RoundTrip(Bitmap(resize_test::MakeBitmap(30, 20)), "gif");
    ASSERT_TRUE(gif.has_value());
    EXPECT_EQ(gif->format, FIF_GIF);
    EXPECT_EQ(gif->Size(), (PixelSize{30, 20}));

    auto deep = RoundTrip(Bitmap(FreeImage_AllocateT(FIT_RGB16, 12, 10)), "png");
    ASSERT_TRUE(deep.has_value());
    EXPECT_EQ(deep->Size(), (PixelSize{12, 10}));

    EXPECT_FALSE(EncodePicture(Bitmap(resize_test::MakeBitmap(4, 4)), "cr2").has_value());
    EXPECT_FALSE(EncodePicture(Bitmap(resize_test::MakeBitmap(4, 4)), "nope").has_value());
}

}  // namespace
