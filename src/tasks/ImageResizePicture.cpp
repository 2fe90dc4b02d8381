#include "tasks/ImageResizePicture.h"

#include <algorithm>
#include <cstdint>
#include <string_view>

#include "app/AsynLog.h"
#include "platform/AtomicFile.h"

namespace image_resize {
namespace {

struct MemoryDeleter {
    void operator()(FIMEMORY* memory) const { FreeImage_CloseMemory(memory); }
};
using Memory = std::unique_ptr<FIMEMORY, MemoryDeleter>;

struct MultiBitmapDeleter {
    void operator()(FIMULTIBITMAP* bitmap) const { FreeImage_CloseMultiBitmap(bitmap, 0); }
};
using MultiBitmap = std::unique_ptr<FIMULTIBITMAP, MultiBitmapDeleter>;

// FreeImage only reads from the block, whatever its signature says.
Memory OpenMemory(const std::string& bytes) {
    auto* data = reinterpret_cast<BYTE*>(const_cast<char*>(bytes.data()));
    return Memory(FreeImage_OpenMemory(data, static_cast<DWORD>(bytes.size())));
}

int LoadFlags(FREE_IMAGE_FORMAT format) {
    switch (format) {
        case FIF_RAW:
            // The embedded preview is plenty for a thumbnail and far cheaper than developing
            // the sensor data.
            return RAW_PREVIEW;
        case FIF_JPEG:
            // Cameras store pictures sideways with an orientation tag; thumbnails must stand
            // upright.
            return JPEG_EXIFROTATE;
        case FIF_GIF:
            // The first frame composed onto the logical screen, as a viewer shows it.
            return GIF_PLAYBACK;
        default:
            return 0;
    }
}

// What decoding is going to allocate, learnt without decoding, and how to decode.
struct DecodePlan {
    std::uint64_t pixels = 0;
    int flags = 0;
};

std::uint64_t PixelCount(std::uint64_t width, std::uint64_t height) {
    return width * height;
}

unsigned ReadLe16(std::string_view bytes, std::size_t at) {
    return static_cast<unsigned char>(bytes[at]) | static_cast<unsigned char>(bytes[at + 1]) << 8;
}

// FreeImage cannot read a GIF's size without decoding, and decoding allocates the logical
// screen and the first frame at whatever size the header claims (up to 65535 x 65535). Walks the
// header to the first image descriptor; empty when the stream ends first.
std::optional<DecodePlan> PlanGif(std::string_view bytes) {
    constexpr std::size_t kScreenEnd = 13;
    if (bytes.size() < kScreenEnd)
        return std::nullopt;
    const unsigned screen_width = ReadLe16(bytes, 6);
    const unsigned screen_height = ReadLe16(bytes, 8);
    const auto packed = static_cast<unsigned char>(bytes[10]);
    std::size_t at = kScreenEnd;
    if (packed & 0x80)
        at += std::size_t{3} << ((packed & 0x07) + 1);
    while (at < bytes.size()) {
        const auto introducer = static_cast<unsigned char>(bytes[at]);
        if (introducer == 0x2C) {
            if (at + 9 > bytes.size())
                return std::nullopt;
            const unsigned left = ReadLe16(bytes, at + 1);
            const unsigned top = ReadLe16(bytes, at + 3);
            const unsigned width = ReadLe16(bytes, at + 5);
            const unsigned height = ReadLe16(bytes, at + 7);
            // Composing a frame that reaches past the screen makes FreeImage write outside its
            // buffer; such a frame is decoded on its own instead.
            const bool inside = left + width <= screen_width && top + height <= screen_height;
            return DecodePlan{
                std::max(PixelCount(screen_width, screen_height), PixelCount(width, height)),
                inside ? GIF_PLAYBACK : GIF_DEFAULT};
        }
        if (introducer != 0x21)
            return std::nullopt;
        at += 2;  // introducer and label, then data sub-blocks up to an empty one
        while (at < bytes.size() && bytes[at] != 0)
            at += static_cast<unsigned char>(bytes[at]) + std::size_t{1};
        ++at;
    }
    return std::nullopt;
}

std::optional<DecodePlan> PlanDecode(FREE_IMAGE_FORMAT format, FIMEMORY* memory,
                                     const std::string& bytes) {
    if (format == FIF_GIF)
        return PlanGif(bytes);
    if (!FreeImage_FIFSupportsNoPixels(format))
        return std::nullopt;
    const int flags = LoadFlags(format);
    Bitmap header(FreeImage_LoadFromMemory(format, memory, flags | FIF_LOAD_NOPIXELS));
    FreeImage_SeekMemory(memory, 0, SEEK_SET);
    if (!header)
        return std::nullopt;
    return DecodePlan{
        PixelCount(FreeImage_GetWidth(header.get()), FreeImage_GetHeight(header.get())), flags};
}

// The first frame only: a thumbnail shows one picture, and the later frames would cost time.
Bitmap DecodeFirstFrame(FREE_IMAGE_FORMAT format, FIMEMORY* memory, int flags) {
    MultiBitmap frames(FreeImage_LoadMultiBitmapFromMemory(format, memory, flags));
    if (!frames || FreeImage_GetPageCount(frames.get()) < 1)
        return nullptr;
    FIBITMAP* first = FreeImage_LockPage(frames.get(), 0);
    if (!first)
        return nullptr;
    Bitmap copy(FreeImage_Clone(first));
    FreeImage_UnlockPage(frames.get(), first, FALSE);
    return copy;
}

Bitmap Decode(FREE_IMAGE_FORMAT format, FIMEMORY* memory, int flags) {
    if (format == FIF_GIF)
        return DecodeFirstFrame(format, memory, flags);
    return Bitmap(FreeImage_LoadFromMemory(format, memory, flags));
}

bool HasUsablePixels(FIBITMAP* bitmap) {
    if (!bitmap || !FreeImage_HasPixels(bitmap))
        return false;
    const std::uint64_t pixels =
        PixelCount(FreeImage_GetWidth(bitmap), FreeImage_GetHeight(bitmap));
    return pixels > 0 && pixels <= kMaxPixels;
}

// Rescaling keeps 16-bit and floating-point pixels, which most writers refuse.
Bitmap ToStandardBitmap(Bitmap bitmap) {
    switch (FreeImage_GetImageType(bitmap.get())) {
        case FIT_BITMAP:
            return bitmap;
        case FIT_RGB16:
            return Bitmap(FreeImage_ConvertTo24Bits(bitmap.get()));
        case FIT_RGBA16:
            return Bitmap(FreeImage_ConvertTo32Bits(bitmap.get()));
        case FIT_RGBF:
        case FIT_RGBAF:
            return Bitmap(FreeImage_ToneMapping(bitmap.get(), FITMO_DRAGO03));
        default:
            return Bitmap(FreeImage_ConvertToStandardType(bitmap.get(), TRUE));
    }
}

Bitmap ToRgb(FIBITMAP* bitmap) {
    if (FreeImage_GetBPP(bitmap) != 32)
        return Bitmap(FreeImage_ConvertTo24Bits(bitmap));
    RGBQUAD white{255, 255, 255, 0};
    return Bitmap(FreeImage_Composite(bitmap, FALSE, &white, nullptr));
}

std::optional<std::string> SaveToBytes(FREE_IMAGE_FORMAT format, FIBITMAP* bitmap) {
    if (!bitmap)
        return std::nullopt;
    Memory memory(FreeImage_OpenMemory());
    if (!memory || !FreeImage_SaveToMemory(format, bitmap, memory.get(), 0))
        return std::nullopt;
    BYTE* data = nullptr;
    DWORD size = 0;
    if (!FreeImage_AcquireMemory(memory.get(), &data, &size) || size == 0)
        return std::nullopt;
    return std::string(reinterpret_cast<const char*>(data), size);
}

}  // namespace

PixelSize LoadedPicture::Size() const {
    return {static_cast<int>(FreeImage_GetWidth(bitmap.get())),
            static_cast<int>(FreeImage_GetHeight(bitmap.get()))};
}

std::optional<LoadedPicture> LoadPicture(const std::string& path) {
    platform::ReadResult read = platform::ReadFileBounded(path, kMaxPictureBytes);
    if (read.status != platform::ReadStatus::Ok || read.bytes.empty()) {
        keasy::AsynLog::Instance().Print("ImageResizeImpl::LoadPicture unreadable:%d, path:%ws",
                                         static_cast<int>(read.status), path);
        return std::nullopt;
    }
    std::optional<LoadedPicture> picture = DecodePicture(std::move(read.bytes));
    if (!picture)
        keasy::AsynLog::Instance().Print("ImageResizeImpl::LoadPicture undecodable, path:%ws",
                                         path);
    return picture;
}

std::optional<LoadedPicture> DecodePicture(std::string bytes) {
    Bitmap bitmap;
    FREE_IMAGE_FORMAT format = FIF_UNKNOWN;
    {
        Memory memory = OpenMemory(bytes);
        if (!memory)
            return std::nullopt;
        format = FreeImage_GetFileTypeFromMemory(memory.get(), 0);
        FreeImage_SeekMemory(memory.get(), 0, SEEK_SET);
        if (format == FIF_UNKNOWN || !FreeImage_FIFSupportsReading(format))
            return std::nullopt;
        const std::optional<DecodePlan> plan = PlanDecode(format, memory.get(), bytes);
        if (!plan || plan->pixels > kMaxPixels) {
            keasy::AsynLog::Instance().Print(
                "ImageResizeImpl::DecodePicture refused format:%d, pixels:%lld", format,
                static_cast<long long>(plan ? plan->pixels : 0));
            return std::nullopt;
        }
        bitmap = Decode(format, memory.get(), plan->flags);
    }
    if (!HasUsablePixels(bitmap.get()))
        return std::nullopt;
    return LoadedPicture{std::move(bytes), format, std::move(bitmap)};
}

Bitmap Rescale(FIBITMAP* bitmap, PixelSize size) {
    Bitmap result(FreeImage_Rescale(bitmap, size.width, size.height, FILTER_LANCZOS3));
    if (!result || FreeImage_GetWidth(result.get()) != static_cast<unsigned>(size.width) ||
        FreeImage_GetHeight(result.get()) != static_cast<unsigned>(size.height))
        return nullptr;
    return result;
}

std::optional<std::string> EncodePicture(Bitmap bitmap, const std::string& extension) {
    const std::string name = "picture." + extension;
    const FREE_IMAGE_FORMAT format = FreeImage_GetFIFFromFilename(name.c_str());
    if (format == FIF_UNKNOWN || !FreeImage_FIFSupportsWriting(format))
        return std::nullopt;
    // Each writer takes only some pixel formats, and its capability flags cannot be trusted
    // (the JPEG writer claims 32 bits and then refuses them), so each form is simply tried.
    Bitmap current = ToStandardBitmap(std::move(bitmap));
    if (std::optional<std::string> bytes = SaveToBytes(format, current.get()))
        return bytes;
    if (!current)
        return std::nullopt;
    if (FreeImage_GetBPP(current.get()) != 24) {
        current = ToRgb(current.get());
        if (std::optional<std::string> bytes = SaveToBytes(format, current.get()))
            return bytes;
        if (!current)
            return std::nullopt;
    }
    return SaveToBytes(format, Bitmap(FreeImage_ColorQuantize(current.get(), FIQ_WUQUANT)).get());
}

}  // namespace image_resize
