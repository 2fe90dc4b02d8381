#include "convcore/PageToolImages.h"

#include <mupdf/fitz.h>
#include <qpdf/Buffer.hh>
#include <qpdf/QPDFObjectHandle.hh>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "convcore/JpegScaledDecode.h"
#include "convcore/RenderJpeg.h"
#include "quire-mupdf/MupdfContext.h"

// MuPDF's renderer scales pictures with this; the library exports it without declaring it in
// its public headers.
extern "C" fz_pixmap* fz_scale_pixmap(fz_context* context, fz_pixmap* source, float x, float y,
                                      float width, float height, const fz_irect* clip);

namespace convcore {
namespace {

// Below this a picture costs too little to be worth a lossy copy.
constexpr long long kMinPixels = 64 * 64;
// Above this the decoded samples alone would take more memory than the core should ask for.
constexpr long long kMaxSamples = 256LL * 1024 * 1024;
// A new encoding has to save at least a tenth to be worth its loss of quality.
constexpr int kKeepPercent = 90;

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

// `picture` scaled to fit `max_long_side`: MuPDF's area-averaging scaler, the one its renderer
// uses, is several times faster than a general filter at these reductions. False when MuPDF
// fails.
bool ScaleDown(fz_context* context, int components, int max_long_side, DecodedPicture* picture) {
    const int long_side = std::max(picture->width, picture->height);
    if (max_long_side <= 0 || long_side <= max_long_side)
        return true;
    const double scale = static_cast<double>(max_long_side) / long_side;
    const int width = std::max(1, static_cast<int>(std::lround(picture->width * scale)));
    const int height = std::max(1, static_cast<int>(std::lround(picture->height * scale)));
    bool scaled = false;
    fz_pixmap* source = nullptr;
    fz_pixmap* result = nullptr;
    fz_var(scaled);
    fz_var(source);
    fz_var(result);
    fz_try(context) {
        fz_colorspace* space = components == 1 ? fz_device_gray(context) : fz_device_rgb(context);
        source = fz_new_pixmap_with_data(context, space, picture->width, picture->height, nullptr,
                                         0, picture->width * components, picture->samples.data());
        result = fz_scale_pixmap(context, source, 0, 0, static_cast<float>(width),
                                 static_cast<float>(height), nullptr);
        scaled = result && result->w == width && result->h == height;
        if (scaled) {
            const std::size_t row = static_cast<std::size_t>(width) * components;
            std::vector<unsigned char> samples(row * static_cast<std::size_t>(height));
            for (int y = 0; y < height; ++y)
                std::memcpy(samples.data() + row * y, result->samples + result->stride * y, row);
            picture->samples = std::move(samples);
            picture->width = width;
            picture->height = height;
        }
    }
    fz_always(context) {
        fz_drop_pixmap(context, result);
        fz_drop_pixmap(context, source);
    }
    fz_catch(context) {
        scaled = false;
    }
    return scaled;
}

bool IsPlainJpeg(QPDFObjectHandle dict) {
    QPDFObjectHandle filter = dict.getKey("/Filter");
    if (filter.isArray() && filter.getArrayNItems() == 1)
        filter = filter.getArrayItem(0);
    return filter.isNameAndEquals("/DCTDecode") && !dict.hasKey("/Decode");
}

// The picture's samples, already within the size limit. A JPEG is decoded by the codec at a
// reduced scale where that helps; anything else is decoded by qpdf at full size first.
bool LoadWithinLimit(fz_context* context, Picture picture, int max_long_side, const Buffer& raw,
                     DecodedPicture* decoded) {
    const bool too_large =
        max_long_side > 0 && std::max(picture.width, picture.height) > max_long_side;
    if (too_large && IsPlainJpeg(picture.stream.getDict()) &&
        DecodeJpegScaled({raw.getBuffer(), raw.getSize()}, picture.components, max_long_side,
                         decoded))
        return ScaleDown(context, picture.components, max_long_side, decoded);
    std::shared_ptr<Buffer> samples;
    try {
        samples = picture.stream.getStreamData(qpdf_dl_all);
    } catch (const std::exception&) {
        return false;  // damaged or undecodable data stays as it is
    }
    const std::size_t expected = static_cast<std::size_t>(picture.width) * picture.height *
                                 static_cast<std::size_t>(picture.components);
    if (samples->getSize() < expected)
        return false;
    decoded->width = picture.width;
    decoded->height = picture.height;
    decoded->samples.assign(samples->getBuffer(), samples->getBuffer() + expected);
    return ScaleDown(context, picture.components, max_long_side, decoded);
}

std::string EncodeJpeg(const DecodedPicture& picture, int components, int quality) {
    JpegEncoder encoder;
    std::string error;
    const std::ptrdiff_t stride = static_cast<std::ptrdiff_t>(picture.width) * components;
    if (!encoder.Start(nullptr, picture.width, picture.height, 72, quality, &error, components) ||
        !encoder.WriteRows(picture.samples.data(), stride, picture.height, &error) ||
        !encoder.Finish(&error))
        return {};
    const auto bytes = encoder.Bytes();
    return std::string(reinterpret_cast<const char*>(bytes.data()), bytes.size());
}

void Recompress(fz_context* context, Picture picture, const ImageRecompression& how) {
    std::shared_ptr<Buffer> raw;
    try {
        raw = picture.stream.getRawStreamData();
    } catch (const std::exception&) {
        return;
    }
    DecodedPicture decoded;
    if (!LoadWithinLimit(context, picture, how.max_long_side, *raw, &decoded))
        return;
    std::string jpeg = EncodeJpeg(decoded, picture.components, how.jpeg_quality);
    if (jpeg.empty() || jpeg.size() * 100 >= raw->getSize() * kKeepPercent)
        return;
    picture.stream.replaceStreamData(jpeg, QPDFObjectHandle::newName("/DCTDecode"),
                                     QPDFObjectHandle::newNull());
    QPDFObjectHandle dict = picture.stream.getDict();
    dict.replaceKey("/Width", QPDFObjectHandle::newInteger(decoded.width));
    dict.replaceKey("/Height", QPDFObjectHandle::newInteger(decoded.height));
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
    auto mupdf = quiremupdf::MupdfContext::Create();
    if (!mupdf)
        return true;  // without a scaler every picture keeps its encoding
    for (std::size_t done = 0; done < pictures.size(); ++done) {
        if (cancelled())
            return false;
        Recompress(mupdf->Get(), pictures[done], how);
        progress(static_cast<int>((done + 1) * 100 / pictures.size()));
    }
    return true;
}

}  // namespace convcore
