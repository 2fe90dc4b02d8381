#include "convcore/PictureCodec.h"

#include <fstream>
#include <system_error>

#include "convcore/PictureExif.h"
#include "platform/Text.h"

namespace convcore {
namespace {

constexpr int kDefaultQuality = 90;
constexpr char kExifRawKey[] = "ExifRaw";
constexpr char kOrientationKey[] = "Orientation";

int LoadFlags(FREE_IMAGE_FORMAT format, Orientation orientation) {
    if (format == FIF_JPEG && orientation == Orientation::kUpright)
        return JPEG_EXIFROTATE;
    return 0;
}

// Deep-colour, grey-level and floating-point pictures become 8 bits per sample, which is what
// every writer and the PDF code below take.
Bitmap StandardBitmap(Bitmap bitmap) {
    switch (FreeImage_GetImageType(bitmap.get())) {
        case FIT_BITMAP:
            return bitmap;
        case FIT_RGBA16:
            return Bitmap(FreeImage_ConvertTo32Bits(bitmap.get()));
        case FIT_RGB16:
            return Bitmap(FreeImage_ConvertTo24Bits(bitmap.get()));
        case FIT_RGBF:
        case FIT_RGBAF:
            return Bitmap(FreeImage_ToneMapping(bitmap.get(), FITMO_DRAGO03));
        default:
            return Bitmap(FreeImage_ConvertToStandardType(bitmap.get(), TRUE));
    }
}

int StoredOrientation(FIBITMAP* bitmap) {
    FITAG* tag = nullptr;
    if (!FreeImage_GetMetadata(FIMD_EXIF_MAIN, bitmap, kOrientationKey, &tag) || tag == nullptr ||
        FreeImage_GetTagType(tag) != FIDT_SHORT || FreeImage_GetTagCount(tag) < 1)
        return 1;
    return *static_cast<const WORD*>(FreeImage_GetTagValue(tag));
}

// After FreeImage turned the pixels upright, the camera's tag must say so too: writers copy the
// raw EXIF block, and a viewer would otherwise turn the picture a second time.
void MarkUpright(FIBITMAP* bitmap) {
    if (StoredOrientation(bitmap) == 1)
        return;
    FreeImage_SetMetadata(FIMD_EXIF_MAIN, bitmap, kOrientationKey, nullptr);
    FITAG* raw = nullptr;
    if (!FreeImage_GetMetadata(FIMD_EXIF_RAW, bitmap, kExifRawKey, &raw) || raw == nullptr)
        return;
    std::string block(static_cast<const char*>(FreeImage_GetTagValue(raw)),
                      FreeImage_GetTagLength(raw));
    if (!WriteExifOrientation(block, 1)) {
        FreeImage_SetMetadata(FIMD_EXIF_RAW, bitmap, kExifRawKey, nullptr);
        return;
    }
    FITAG* patched = FreeImage_CloneTag(raw);
    FreeImage_SetTagValue(patched, block.data());
    FreeImage_SetMetadata(FIMD_EXIF_RAW, bitmap, kExifRawKey, patched);
    FreeImage_DeleteTag(patched);
}

Bitmap ToGrey(FIBITMAP* bitmap) {
    if (FreeImage_GetBPP(bitmap) == 8 && FreeImage_GetColorType(bitmap) == FIC_MINISBLACK)
        return Bitmap(FreeImage_Clone(bitmap));
    return Bitmap(FreeImage_ConvertToGreyscale(bitmap));
}

Bitmap ForGif(FIBITMAP* bitmap) {
    if (FreeImage_GetBPP(bitmap) == 8)
        return Bitmap(FreeImage_Clone(bitmap));
    if (FreeImage_GetBPP(bitmap) < 8)
        return Bitmap(FreeImage_ConvertTo8Bits(bitmap));
    // GIF holds one transparent colour at most; soft edges are better flattened than cut.
    Bitmap flat = FlattenOnWhite(bitmap);
    if (!flat || FreeImage_GetBPP(flat.get()) == 8)
        return flat;
    return Bitmap(FreeImage_ColorQuantizeEx(flat.get(), FIQ_WUQUANT));
}

Bitmap ForWebp(FIBITMAP* bitmap) {
    if (HasAlpha(bitmap))
        return Bitmap(FreeImage_ConvertTo32Bits(bitmap));
    return Bitmap(FreeImage_ConvertTo24Bits(bitmap));
}

}  // namespace

std::string CheckPictureFile(const std::filesystem::path& file) {
    std::error_code failure;
    if (file.empty() || !std::filesystem::is_regular_file(file, failure))
        return "file not found: " + file.string();
    if (std::filesystem::file_size(file, failure) == 0 || failure)
        return "empty picture file: " + file.string();
    return {};
}

FREE_IMAGE_FORMAT PictureFormatOf(const std::filesystem::path& file) {
    const FREE_IMAGE_FORMAT format = FreeImage_GetFileType(file.c_str(), 0);
    return format != FIF_UNKNOWN ? format : FreeImage_GetFIFFromFilename(file.c_str());
}

FREE_IMAGE_FORMAT TargetPictureFormat(const std::filesystem::path& target) {
    const std::string extension = platform::AsciiToLower(target.extension().string());
    if (extension == ".jpg" || extension == ".jpeg")
        return FIF_JPEG;
    if (extension == ".png")
        return FIF_PNG;
    if (extension == ".bmp")
        return FIF_BMP;
    if (extension == ".tif" || extension == ".tiff")
        return FIF_TIFF;
    if (extension == ".gif")
        return FIF_GIF;
    if (extension == ".webp" && FreeImage_FIFSupportsWriting(FIF_WEBP))
        return FIF_WEBP;
    return FIF_UNKNOWN;
}

Bitmap LoadPicture(const std::filesystem::path& file, Orientation orientation, std::string* error) {
    *error = CheckPictureFile(file);
    if (!error->empty())
        return nullptr;
    const FREE_IMAGE_FORMAT format = PictureFormatOf(file);
    if (format == FIF_UNKNOWN || !FreeImage_FIFSupportsReading(format)) {
        *error = "not a picture format that can be read: " + file.string();
        return nullptr;
    }
    Bitmap bitmap(FreeImage_Load(format, file.c_str(), LoadFlags(format, orientation)));
    if (bitmap && FreeImage_HasPixels(bitmap.get()) && FreeImage_GetWidth(bitmap.get()) > 0 &&
        FreeImage_GetHeight(bitmap.get()) > 0)
        bitmap = StandardBitmap(std::move(bitmap));
    else
        bitmap.reset();
    if (!bitmap) {
        *error = "the picture is damaged or cannot be decoded: " + file.string();
        return nullptr;
    }
    if (LoadFlags(format, orientation) & JPEG_EXIFROTATE)
        MarkUpright(bitmap.get());
    return bitmap;
}

bool HasAlpha(FIBITMAP* bitmap) {
    const unsigned depth = FreeImage_GetBPP(bitmap);
    if (depth == 32)
        return FreeImage_GetColorType(bitmap) == FIC_RGBALPHA;
    return depth <= 8 && FreeImage_IsTransparent(bitmap);
}

bool IsGreyPicture(FIBITMAP* bitmap) {
    const FREE_IMAGE_COLOR_TYPE type = FreeImage_GetColorType(bitmap);
    return FreeImage_GetBPP(bitmap) <= 8 && (type == FIC_MINISBLACK || type == FIC_MINISWHITE);
}

Bitmap FlattenOnWhite(FIBITMAP* bitmap) {
    if (IsGreyPicture(bitmap) && !HasAlpha(bitmap))
        return ToGrey(bitmap);
    if (HasAlpha(bitmap)) {
        RGBQUAD white{255, 255, 255, 0};
        if (FIBITMAP* flat = FreeImage_Composite(bitmap, FALSE, &white, nullptr))
            return Bitmap(flat);
    }
    return Bitmap(FreeImage_ConvertTo24Bits(bitmap));
}

Bitmap PrepareForFormat(FIBITMAP* bitmap, FREE_IMAGE_FORMAT format) {
    const unsigned depth = FreeImage_GetBPP(bitmap);
    switch (format) {
        case FIF_JPEG:
            return FlattenOnWhite(bitmap);
        case FIF_GIF:
            return ForGif(bitmap);
        case FIF_WEBP:
            return ForWebp(bitmap);
        default:
            if (depth == 16 || !FreeImage_FIFSupportsExportBPP(format, static_cast<int>(depth)))
                return Bitmap(FreeImage_ConvertTo24Bits(bitmap));
            return Bitmap(FreeImage_Clone(bitmap));
    }
}

int DefaultSaveFlags(FREE_IMAGE_FORMAT format) {
    if (format == FIF_JPEG)
        return kDefaultQuality | JPEG_OPTIMIZE;
    if (format == FIF_WEBP)
        return kDefaultQuality;
    return 0;
}

std::string EncodePicture(FIBITMAP* bitmap, FREE_IMAGE_FORMAT format, int flags) {
    FIMEMORY* memory = FreeImage_OpenMemory();
    std::string bytes;
    BYTE* data = nullptr;
    DWORD size = 0;
    if (FreeImage_SaveToMemory(format, bitmap, memory, flags) &&
        FreeImage_AcquireMemory(memory, &data, &size))
        bytes.assign(reinterpret_cast<const char*>(data), size);
    FreeImage_CloseMemory(memory);
    return bytes;
}

bool WriteFileBytes(const std::filesystem::path& file, std::string_view bytes) {
    std::ofstream out(file, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    out.close();
    return static_cast<bool>(out);
}

}  // namespace convcore
