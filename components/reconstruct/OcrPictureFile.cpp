#include "reconstruct/OcrPictureFile.h"

#include <leptonica/allheaders.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <memory>
#include <mutex>
#include <system_error>

namespace reconstruct {
namespace {

// Resolutions outside this range are placeholders (72 and 96 from screens and cameras) or
// damage; the picture is then taken for a scan at the default resolution.
constexpr int kLeastDpi = 100;
constexpr int kMostDpi = 1200;
// Pictures other than JPEG are decoded whole before they are scaled down; beyond this many
// pixels that alone would take gigabytes.
constexpr double kMostDecodedPixels = 600e6;
constexpr int kMostJpegReduction = 8;

struct Header {
    int format = IFF_UNKNOWN;
    int width = 0;
    int height = 0;
};

struct FileCloser {
    void operator()(FILE* file) const { std::fclose(file); }
};

// Leptonica reports every damaged file on stderr as well; the reason travels to the caller
// instead. The setting is process-wide and only ever set to this value.
void QuietenLibrary() {
    static std::once_flag once;
    std::call_once(once, [] { setMsgSeverity(L_SEVERITY_NONE); });
}

bool IsTiff(int format) {
    switch (format) {
        case IFF_TIFF:
        case IFF_TIFF_PACKBITS:
        case IFF_TIFF_RLE:
        case IFF_TIFF_G3:
        case IFF_TIFF_G4:
        case IFF_TIFF_LZW:
        case IFF_TIFF_ZIP:
        case IFF_TIFF_JPEG:
            return true;
        default:
            return false;
    }
}

bool ReadHeader(const std::filesystem::path& file, Header* header, std::string* error) {
    QuietenLibrary();
    std::error_code failure;
    if (!std::filesystem::is_regular_file(file, failure)) {
        *error = "no such file";
        return false;
    }
    if (std::filesystem::file_size(file, failure) == 0) {
        *error = "the file is empty";
        return false;
    }
    int bits = 0;
    int samples = 0;
    int palette = 0;
    if (pixReadHeader(file.c_str(), &header->format, &header->width, &header->height, &bits,
                      &samples, &palette) != 0 ||
        header->width <= 0 || header->height <= 0) {
        *error = "not a picture format that can be read, or a damaged one";
        return false;
    }
    return true;
}

// The size of one frame of a TIFF, which need not be that of the first.
bool ReadFrameSize(const std::filesystem::path& file, int index, Header* header,
                   std::string* error) {
    int bits = 0;
    int samples = 0;
    int resolution = 0;
    int palette = 0;
    int format = 0;
    if (readHeaderTiff(file.c_str(), index, &header->width, &header->height, &bits, &samples,
                       &resolution, &palette, &format) != 0 ||
        header->width <= 0 || header->height <= 0) {
        *error = "the TIFF file has no readable page " + std::to_string(index + 1);
        return false;
    }
    return true;
}

int TiffPageCount(const std::filesystem::path& file) {
    const std::unique_ptr<FILE, FileCloser> stream(std::fopen(file.c_str(), "rb"));
    int count = 0;
    if (stream == nullptr || tiffGetCount(stream.get(), &count) != 0)
        return 0;
    return count;
}

// The largest reduction the JPEG decoder offers (1, 2, 4, 8) that keeps at least `max_pixels`.
int JpegReduction(double pixels, double max_pixels) {
    int reduction = 1;
    while (reduction < kMostJpegReduction &&
           pixels / double(4 * reduction * reduction) >= max_pixels)
        reduction *= 2;
    return reduction;
}

Pix* Decode(const std::filesystem::path& file, const Header& header, int index, int reduction,
            std::string* error) {
    if (header.format != IFF_JFIF_JPEG &&
        double(header.width) * header.height > kMostDecodedPixels) {
        *error = "too large to decode (" + std::to_string(header.width) + " x " +
                 std::to_string(header.height) + " pixels)";
        return nullptr;
    }
    Pix* pix = nullptr;
    if (header.format == IFF_JFIF_JPEG)
        pix = pixReadJpeg(file.c_str(), 0, reduction, nullptr, 0);
    else if (IsTiff(header.format))
        pix = pixReadTiff(file.c_str(), index);
    else
        pix = pixRead(file.c_str());
    if (pix == nullptr)
        *error = "the picture is damaged or cannot be decoded";
    return pix;
}

// EXIF orientations as quarter turns clockwise and a mirror after them.
Pix* Upright(Pix* pix, int orientation) {
    struct Turn {
        int quarters;
        bool mirror_across;  // left to right
        bool mirror_down;    // top to bottom
    };
    static constexpr Turn kTurns[9] = {{0, false, false}, {0, false, false}, {0, true, false},
                                       {2, false, false}, {0, false, true},  {1, true, false},
                                       {1, false, false}, {1, false, true},  {3, false, false}};
    if (orientation < 2 || orientation > 8)
        return pix;
    const Turn& turn = kTurns[orientation];
    Pix* turned = turn.quarters != 0 ? pixRotateOrth(pix, turn.quarters) : pixClone(pix);
    pixDestroy(&pix);
    if (turned != nullptr && turn.mirror_across)
        pixFlipLR(turned, turned);
    if (turned != nullptr && turn.mirror_down)
        pixFlipTB(turned, turned);
    return turned;
}

Pix* ScaledDown(Pix* pix, double max_pixels) {
    const double pixels = double(pixGetWidth(pix)) * pixGetHeight(pix);
    if (pixels <= max_pixels)
        return pix;
    const auto factor = static_cast<float>(std::sqrt(max_pixels / pixels));
    Pix* scaled = pixScale(pix, factor, factor);
    pixDestroy(&pix);
    return scaled;
}

// A JPEG decoded at a reduction still states the resolution of its full size.
int StatedDpi(const Pix* pix, int fallback) {
    const int stated = pixGetXRes(pix);
    return stated >= kLeastDpi && stated <= kMostDpi ? stated : fallback;
}

}  // namespace

int PicturePageCount(const std::filesystem::path& file, std::string* error) {
    Header header;
    if (!ReadHeader(file, &header, error))
        return 0;
    if (!IsTiff(header.format))
        return 1;
    const int count = TiffPageCount(file);
    if (count <= 0)
        *error = "the TIFF file's pages cannot be read";
    return count;
}

bool ReadPicturePage(const std::filesystem::path& file, int index,
                     const PictureReadOptions& options, OcrPicture* out, std::string* error) {
    *out = OcrPicture();
    Header header;
    if (!ReadHeader(file, &header, error) ||
        (IsTiff(header.format) && !ReadFrameSize(file, index, &header, error)))
        return false;
    if (!IsTiff(header.format) && index != 0) {
        *error = "the picture has a single page";
        return false;
    }
    const double pixels = double(header.width) * header.height;
    const int reduction =
        header.format == IFF_JFIF_JPEG ? JpegReduction(pixels, options.max_pixels) : 1;
    Pix* pix = Decode(file, header, index, reduction, error);
    if (pix == nullptr)
        return false;
    const int dpi = StatedDpi(pix, options.default_dpi);
    // A reduced JPEG is measured by its header, anything else by what was decoded.
    const int full_width = reduction > 1 ? header.width : pixGetWidth(pix);
    pix = Upright(pix, options.orientation);
    pix = pix != nullptr ? ScaledDown(pix, options.max_pixels) : nullptr;
    if (pix == nullptr) {
        *error = "not enough memory for the picture";
        return false;
    }
    // Scaling keeps the size on paper: the stated resolution falls with the pixels.
    const int across = options.orientation >= 5 ? pixGetHeight(pix) : pixGetWidth(pix);
    const int scaled_dpi =
        std::max(1, static_cast<int>(std::lround(double(dpi) * across / full_width)));
    *out = OcrPicture::Adopt(pix, scaled_dpi);
    if (out->Empty()) {
        *error = "the picture's pixels are in a form that cannot be used";
        return false;
    }
    return true;
}

}  // namespace reconstruct
