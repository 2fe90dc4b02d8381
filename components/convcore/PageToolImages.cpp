#include "convcore/PageToolImages.h"

#include <FreeImage.h>
#include <qpdf/Buffer.hh>
#include <qpdf/QPDFObjectHandle.hh>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <memory>
#include <set>
#include <string>
#include <vector>

namespace convcore {
namespace {

// Below this a picture costs too little to be worth a lossy copy.
constexpr long long kMinPixels = 64 * 64;
// Above this the decoded samples alone would take more memory than the core should ask for.
constexpr long long kMaxSamples = 256LL * 1024 * 1024;
// A new encoding has to save at least a tenth to be worth its loss of quality.
constexpr int kKeepPercent = 90;

struct BitmapUnloader {
    void operator()(FIBITMAP* bitmap) const { FreeImage_Unload(bitmap); }
};
using Bitmap = std::unique_ptr<FIBITMAP, BitmapUnloader>;

struct MemoryCloser {
    void operator()(FIMEMORY* memory) const { FreeImage_CloseMemory(memory); }
};

struct Picture {
    QPDFObjectHandle stream;
    int width = 0;
    int height = 0;
    int components = 0;
};

int ComponentsOf(QPDFObjectHandle space) {
    if (space.isNameAndEquals("/DeviceGray"))
        return 1;
    if (space.isNameAndEquals("/DeviceRGB"))
        return 3;
    if (!space.isArray() || space.getArrayNItems() < 2)
        return 0;
    QPDFObjectHandle family = space.getArrayItem(0);
    if (family.isNameAndEquals("/CalGray"))
        return 1;
    if (family.isNameAndEquals("/CalRGB"))
        return 3;
    if (family.isNameAndEquals("/ICCBased") && space.getArrayItem(1).isStream()) {
        QPDFObjectHandle count = space.getArrayItem(1).getDict().getKey("/N");
        if (count.isInteger() && (count.getIntValue() == 1 || count.getIntValue() == 3))
            return static_cast<int>(count.getIntValue());
    }
    return 0;
}

bool HasFilterQpdfCannotDecode(QPDFObjectHandle filter) {
    const auto undecodable = [](QPDFObjectHandle name) {
        return name.isNameAndEquals("/JPXDecode") || name.isNameAndEquals("/JBIG2Decode") ||
               name.isNameAndEquals("/CCITTFaxDecode");
    };
    if (!filter.isArray())
        return undecodable(filter);
    for (QPDFObjectHandle item : filter.aitems()) {
        if (undecodable(item))
            return true;
    }
    return false;
}

bool IsImage(QPDFObjectHandle object) {
    return object.isStream() && object.getDict().getKey("/Subtype").isNameAndEquals("/Image");
}

// Masks are pictures too, but their values are coverage: JPEG noise there shows as fringes.
std::set<QPDFObjGen> MaskPictures(const std::vector<QPDFObjectHandle>& objects) {
    std::set<QPDFObjGen> masks;
    for (QPDFObjectHandle object : objects) {
        if (!IsImage(object))
            continue;
        for (const char* key : {"/SMask", "/Mask"}) {
            QPDFObjectHandle mask = object.getDict().getKey(key);
            if (mask.isStream())
                masks.insert(mask.getObjGen());
        }
    }
    return masks;
}

bool AsPicture(QPDFObjectHandle object, const std::set<QPDFObjGen>& masks, Picture* picture) {
    if (!IsImage(object) || masks.count(object.getObjGen()) != 0)
        return false;
    QPDFObjectHandle dict = object.getDict();
    QPDFObjectHandle width = dict.getKey("/Width");
    QPDFObjectHandle height = dict.getKey("/Height");
    QPDFObjectHandle bits = dict.getKey("/BitsPerComponent");
    if (dict.getKey("/ImageMask").isBool() && dict.getKey("/ImageMask").getBoolValue())
        return false;
    if (dict.getKey("/Mask").isArray() || dict.hasKey("/SMaskInData"))
        return false;
    if (!width.isInteger() || !height.isInteger() || !bits.isInteger() || bits.getIntValue() != 8 ||
        HasFilterQpdfCannotDecode(dict.getKey("/Filter")))
        return false;
    picture->stream = object;
    picture->width = width.getIntValueAsInt();
    picture->height = height.getIntValueAsInt();
    picture->components = ComponentsOf(dict.getKey("/ColorSpace"));
    const long long pixels = static_cast<long long>(picture->width) * picture->height;
    return picture->components != 0 && picture->width > 0 && picture->height > 0 &&
           pixels >= kMinPixels && pixels * picture->components <= kMaxSamples;
}

Bitmap ToBitmap(const Picture& picture, const unsigned char* samples) {
    Bitmap bitmap(FreeImage_Allocate(picture.width, picture.height, picture.components * 8));
    if (!bitmap)
        return bitmap;
    if (picture.components == 1) {
        RGBQUAD* palette = FreeImage_GetPalette(bitmap.get());
        for (int level = 0; level < 256; ++level) {
            palette[level].rgbRed = palette[level].rgbGreen = palette[level].rgbBlue =
                static_cast<BYTE>(level);
        }
    }
    const std::size_t row_bytes = static_cast<std::size_t>(picture.width) * picture.components;
    for (int y = 0; y < picture.height; ++y) {
        // FreeImage keeps rows bottom-up, and RGB pixels in its own byte order.
        BYTE* line = FreeImage_GetScanLine(bitmap.get(), picture.height - 1 - y);
        const unsigned char* row = samples + row_bytes * static_cast<std::size_t>(y);
        if (picture.components == 1) {
            std::memcpy(line, row, row_bytes);
            continue;
        }
        for (int x = 0; x < picture.width; ++x) {
            line[x * 3 + FI_RGBA_RED] = row[x * 3];
            line[x * 3 + FI_RGBA_GREEN] = row[x * 3 + 1];
            line[x * 3 + FI_RGBA_BLUE] = row[x * 3 + 2];
        }
    }
    return bitmap;
}

std::string EncodeJpeg(FIBITMAP* bitmap, int quality) {
    std::unique_ptr<FIMEMORY, MemoryCloser> memory(FreeImage_OpenMemory());
    if (!memory || !FreeImage_SaveToMemory(FIF_JPEG, bitmap, memory.get(), quality))
        return {};
    BYTE* bytes = nullptr;
    DWORD size = 0;
    if (!FreeImage_AcquireMemory(memory.get(), &bytes, &size))
        return {};
    return std::string(reinterpret_cast<const char*>(bytes), size);
}

void Recompress(Picture picture, const ImageRecompression& how) {
    std::shared_ptr<Buffer> samples;
    std::shared_ptr<Buffer> raw;
    try {
        samples = picture.stream.getStreamData(qpdf_dl_all);
        raw = picture.stream.getRawStreamData();
    } catch (const std::exception&) {
        return;  // damaged or undecodable data stays as it is
    }
    const std::size_t expected = static_cast<std::size_t>(picture.width) * picture.height *
                                 static_cast<std::size_t>(picture.components);
    if (samples->getSize() < expected)
        return;
    Bitmap bitmap = ToBitmap(picture, samples->getBuffer());
    samples.reset();
    int width = picture.width;
    int height = picture.height;
    const int long_side = std::max(width, height);
    if (bitmap && how.max_long_side > 0 && long_side > how.max_long_side) {
        const double scale = static_cast<double>(how.max_long_side) / long_side;
        width = std::max(1, static_cast<int>(std::lround(width * scale)));
        height = std::max(1, static_cast<int>(std::lround(height * scale)));
        bitmap.reset(FreeImage_Rescale(bitmap.get(), width, height, FILTER_BILINEAR));
    }
    if (!bitmap)
        return;
    std::string jpeg = EncodeJpeg(bitmap.get(), how.jpeg_quality);
    if (jpeg.empty() || jpeg.size() * 100 >= raw->getSize() * kKeepPercent)
        return;
    picture.stream.replaceStreamData(jpeg, QPDFObjectHandle::newName("/DCTDecode"),
                                     QPDFObjectHandle::newNull());
    QPDFObjectHandle dict = picture.stream.getDict();
    dict.replaceKey("/Width", QPDFObjectHandle::newInteger(width));
    dict.replaceKey("/Height", QPDFObjectHandle::newInteger(height));
}

}  // namespace

ImageRecompression ImageRecompressionForLevel(int level) {
    switch (std::clamp(level, 1, 4)) {
        case 1:
            return {};
        case 2:
            return {85, 0};
        case 3:
            return {70, 2000};
        default:
            return {50, 1400};
    }
}

bool RecompressImages(QPDF& pdf, const ImageRecompression& how,
                      const std::function<bool()>& cancelled,
                      const std::function<void(int percent)>& progress) {
    if (how.jpeg_quality <= 0)
        return true;
    const std::vector<QPDFObjectHandle> objects = pdf.getAllObjects();
    const std::set<QPDFObjGen> masks = MaskPictures(objects);
    std::vector<Picture> pictures;
    for (QPDFObjectHandle object : objects) {
        Picture picture;
        if (AsPicture(object, masks, &picture))
            pictures.push_back(picture);
    }
    for (std::size_t done = 0; done < pictures.size(); ++done) {
        if (cancelled())
            return false;
        Recompress(pictures[done], how);
        progress(static_cast<int>((done + 1) * 100 / pictures.size()));
    }
    return true;
}

}  // namespace convcore
