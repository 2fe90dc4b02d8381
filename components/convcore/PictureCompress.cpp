#include "convcore/PictureCompress.h"

#include <algorithm>
#include <array>
#include <system_error>

#include "convcore/PictureCodec.h"

namespace convcore {
namespace {

// Below this quality JPEG blocks show plainly; a smaller file is not worth that.
constexpr int kLowestQuality = 10;
constexpr int kHighestQuality = 95;
constexpr std::array<int, 8> kPaletteSizes{256, 128, 64, 32, 16, 8, 4, 2};
constexpr BYTE kAlphaCut = 128;

bool Cancelled(const CompressRequest& request) {
    return request.cancelled && request.cancelled();
}

int QualityFlags(FREE_IMAGE_FORMAT format, int quality) {
    return format == FIF_JPEG ? quality | JPEG_OPTIMIZE : quality;
}

// The file size falls with the quality, so a bisection finds the highest quality that fits.
std::string SearchQuality(FIBITMAP* bitmap, const CompressRequest& request) {
    auto encode = [&](int quality) {
        return EncodePicture(bitmap, request.format, QualityFlags(request.format, quality));
    };
    std::string best = encode(kHighestQuality);
    if (best.empty() || best.size() <= request.max_bytes)
        return best;
    std::string lowest = encode(kLowestQuality);
    if (lowest.empty() || lowest.size() > request.max_bytes)
        return lowest.empty() || lowest.size() > best.size() ? best : lowest;
    best = std::move(lowest);
    int fits = kLowestQuality;
    int too_big = kHighestQuality;
    while (too_big - fits > 1 && !Cancelled(request)) {
        const int middle = (fits + too_big) / 2;
        std::string attempt = encode(middle);
        if (attempt.empty())
            break;
        if (attempt.size() <= request.max_bytes) {
            fits = middle;
            best = std::move(attempt);
        } else {
            too_big = middle;
        }
    }
    return best;
}

// Colours reduced to `colours` entries. Transparency survives as one fully transparent entry:
// a pixel is either kept or cleared, as an indexed picture can hold nothing in between well.
Bitmap ReduceColours(FIBITMAP* bitmap, int colours) {
    const bool alpha = HasAlpha(bitmap);
    const int opaque_colours = alpha ? std::max(2, colours - 1) : colours;
    Bitmap colour(FreeImage_ConvertTo24Bits(bitmap));
    if (!colour)
        return nullptr;
    Bitmap reduced(FreeImage_ColorQuantizeEx(colour.get(), FIQ_WUQUANT, opaque_colours));
    if (!reduced || !alpha)
        return reduced;
    Bitmap with_alpha(FreeImage_ConvertTo32Bits(bitmap));
    if (!with_alpha)
        return nullptr;
    const auto clear = static_cast<BYTE>(opaque_colours);
    for (unsigned y = 0; y < FreeImage_GetHeight(bitmap); ++y) {
        const BYTE* source = FreeImage_GetScanLine(with_alpha.get(), static_cast<int>(y));
        BYTE* target = FreeImage_GetScanLine(reduced.get(), static_cast<int>(y));
        for (unsigned x = 0; x < FreeImage_GetWidth(bitmap); ++x) {
            if (source[x * 4 + FI_RGBA_ALPHA] < kAlphaCut)
                target[x] = clear;
        }
    }
    std::array<BYTE, 256> table;
    table.fill(255);
    table[clear] = 0;
    FreeImage_SetTransparencyTable(reduced.get(), table.data(), clear + 1);
    return reduced;
}

std::string SmallestPng(FIBITMAP* bitmap, const CompressRequest& request) {
    std::string best = EncodePicture(bitmap, FIF_PNG, PNG_Z_BEST_COMPRESSION);
    if (best.empty() || best.size() <= request.max_bytes)
        return best;
    for (const int colours : kPaletteSizes) {
        if (Cancelled(request))
            break;
        const Bitmap reduced = ReduceColours(bitmap, colours);
        if (!reduced)
            continue;
        std::string attempt = EncodePicture(reduced.get(), FIF_PNG, PNG_Z_BEST_COMPRESSION);
        if (attempt.empty() || attempt.size() >= best.size())
            continue;
        best = std::move(attempt);
        if (best.size() <= request.max_bytes)
            break;
    }
    return best;
}

}  // namespace

bool CanCompressTo(FREE_IMAGE_FORMAT format) {
    return format == FIF_JPEG || format == FIF_PNG || format == FIF_WEBP;
}

CompressResult CompressPicture(const CompressRequest& request) {
    CompressResult result;
    // Decoded even when the file may be kept as it is: a damaged picture is refused, not copied.
    const Bitmap picture = LoadPicture(request.source, Orientation::kUpright, &result.error);
    if (!picture)
        return result;
    std::error_code failure;
    const std::uint64_t source_size = std::filesystem::file_size(request.source, failure);
    const bool same_format = !failure && PictureFormatOf(request.source) == request.format;
    if (same_format && source_size <= request.max_bytes) {
        result.keep_source = true;
        result.size = source_size;
        result.fits = true;
        return result;
    }
    const Bitmap prepared = PrepareForFormat(picture.get(), request.format);
    if (!prepared) {
        result.error = "cannot convert the picture for its new format";
        return result;
    }
    result.bytes = request.format == FIF_PNG ? SmallestPng(prepared.get(), request)
                                             : SearchQuality(prepared.get(), request);
    if (Cancelled(request)) {
        result.error = "cancelled";
        return result;
    }
    if (result.bytes.empty()) {
        result.error = "cannot encode the picture";
        return result;
    }
    result.size = result.bytes.size();
    // Never hand back a "compressed" picture larger than the one we were given.
    if (same_format && source_size <= result.size) {
        result.keep_source = true;
        result.bytes.clear();
        result.size = source_size;
    }
    result.fits = result.size <= request.max_bytes;
    return result;
}

}  // namespace convcore
