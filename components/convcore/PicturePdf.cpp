#include "convcore/PicturePdf.h"

#include <qpdf/Pipeline.hh>
#include <qpdf/QPDF.hh>
#include <qpdf/QPDFObjectHandle.hh>
#include <qpdf/QPDFPageDocumentHelper.hh>
#include <qpdf/QPDFPageObjectHelper.hh>
#include <qpdf/QPDFWriter.hh>

#include <charconv>
#include <fstream>
#include <limits>
#include <memory>
#include <system_error>
#include <vector>

#include "convcore/PictureCodec.h"
#include "convcore/PictureJpeg.h"

namespace convcore {
namespace {

constexpr double kInchesPerMetre = 39.37007874;
constexpr int kCheckingShare = 10;  // of the progress bar, for reading the pictures first
constexpr std::size_t kCopyChunk = 1 << 16;

enum class Layout {
    kJpegFile,      // the file's own DCT data (or a smaller re-encode of it)
    kGrey,          // one 8-bit sample per pixel
    kRgb,           // three
    kRgbWithAlpha,  // three, and a soft mask of the alpha channel
};
enum class Plane { kColour, kAlpha };

struct PdfPicture {
    std::filesystem::path path;
    Layout layout = Layout::kRgb;
    JpegFacts jpeg;  // for kJpegFile
    PictureGeometry geometry;
};

bool Cancelled(const ImagesToPdfRequest& request) {
    return request.cancelled && request.cancelled();
}

void Progress(const ImagesToPdfRequest& request, int percent) {
    if (request.progress)
        request.progress(percent);
}

bool Inspect(const std::filesystem::path& path, bool recompress, PdfPicture* picture,
             std::string* error) {
    picture->path = path;
    *error = CheckPictureFile(path);
    if (!error->empty())
        return false;
    JpegFacts jpeg;
    if (PictureFormatOf(path) == FIF_JPEG && ReadJpegFacts(path, &jpeg) && jpeg.embeddable) {
        picture->layout = Layout::kJpegFile;
        picture->jpeg = jpeg;
        picture->geometry = {jpeg.width, jpeg.height, jpeg.dpi_x, jpeg.dpi_y, jpeg.orientation};
        return true;
    }
    // Anything else is decoded now, so that a damaged picture fails before the PDF is begun.
    const Bitmap bitmap = LoadPicture(path, Orientation::kUpright, error);
    if (!bitmap)
        return false;
    const bool alpha = HasAlpha(bitmap.get());
    if (!alpha && IsGreyPicture(bitmap.get()))
        picture->layout = Layout::kGrey;
    else
        picture->layout = alpha && !recompress ? Layout::kRgbWithAlpha : Layout::kRgb;
    picture->geometry = {static_cast<int>(FreeImage_GetWidth(bitmap.get())),
                         static_cast<int>(FreeImage_GetHeight(bitmap.get())),
                         FreeImage_GetDotsPerMeterX(bitmap.get()) / kInchesPerMetre,
                         FreeImage_GetDotsPerMeterY(bitmap.get()) / kInchesPerMetre, 1};
    return true;
}

// Produces the image streams while the writer asks for them, so that only one decoded picture
// is held at a time. Used by the writing thread only.
class PictureFeeder {
public:
    PictureFeeder(const std::vector<PdfPicture>& pictures, const ImagesToPdfRequest& request)
        : pictures_(pictures), request_(request) {}

    // After a failure or a cancel the remaining streams stay empty, so the writer ends quickly;
    // the file is discarded afterwards.
    void Feed(std::size_t index, Plane plane, Pipeline* out) {
        if (error_.empty() && !Cancelled(request_)) {
            if (plane == Plane::kAlpha) {
                FeedAlpha(index, out);
            } else {
                FeedColour(index, out);
                ++fed_;
                Progress(request_, kCheckingShare + static_cast<int>((100 - kCheckingShare) * fed_ /
                                                                     pictures_.size()));
            }
        }
        out->finish();
    }

    const std::string& Error() const { return error_; }

private:
    void Fail(std::string error) {
        if (error_.empty())
            error_ = std::move(error);
    }

    FIBITMAP* Decoded(std::size_t index, Orientation orientation) {
        if (cached_index_ == index)
            return cached_.get();
        const PdfPicture& picture = pictures_[index];
        std::string error;
        cached_ = LoadPicture(picture.path, orientation, &error);
        cached_index_ = cached_ ? index : kNone;
        if (!cached_) {
            Fail(error);
            return nullptr;
        }
        if (static_cast<int>(FreeImage_GetWidth(cached_.get())) != picture.geometry.width ||
            static_cast<int>(FreeImage_GetHeight(cached_.get())) != picture.geometry.height) {
            Fail("the picture changed while the PDF was written: " + picture.path.string());
            return nullptr;
        }
        return cached_.get();
    }

    void CopyFile(const std::filesystem::path& path, Pipeline* out) {
        std::ifstream in(path, std::ios::binary);
        std::vector<char> chunk(kCopyChunk);
        while (in) {
            in.read(chunk.data(), static_cast<std::streamsize>(chunk.size()));
            out->write(reinterpret_cast<const unsigned char*>(chunk.data()),
                       static_cast<std::size_t>(in.gcount()));
        }
        if (!in.eof())
            Fail("cannot read " + path.string());
    }

    void Write(std::string_view bytes, Pipeline* out) {
        out->write(reinterpret_cast<const unsigned char*>(bytes.data()), bytes.size());
    }

    // JPEG at the requested quality of `bitmap` flattened onto white; `samples` bytes per
    // pixel are what the image dictionary promised.
    std::string Reencode(FIBITMAP* bitmap, unsigned samples) {
        const Bitmap flat = FlattenOnWhite(bitmap);
        if (!flat || FreeImage_GetBPP(flat.get()) != samples * 8)
            return {};
        return EncodePicture(flat.get(), FIF_JPEG, request_.quality | JPEG_OPTIMIZE);
    }

    void FeedJpegFile(std::size_t index, Pipeline* out) {
        const PdfPicture& picture = pictures_[index];
        // CMYK comes back from the decoder as RGB, which the dictionary does not say.
        if (!request_.recompress || picture.jpeg.components == 4) {
            CopyFile(picture.path, out);
            return;
        }
        FIBITMAP* bitmap = Decoded(index, Orientation::kAsStored);
        if (bitmap == nullptr)
            return;
        const std::string smaller =
            Reencode(bitmap, static_cast<unsigned>(picture.jpeg.components));
        std::error_code failure;
        const auto original = std::filesystem::file_size(picture.path, failure);
        if (!smaller.empty() && !failure && smaller.size() < original)
            Write(smaller, out);
        else
            CopyFile(picture.path, out);
    }

    void FeedColour(std::size_t index, Pipeline* out) {
        const PdfPicture& picture = pictures_[index];
        if (picture.layout == Layout::kJpegFile) {
            FeedJpegFile(index, out);
            return;
        }
        FIBITMAP* bitmap = Decoded(index, Orientation::kUpright);
        if (bitmap == nullptr)
            return;
        const unsigned samples = picture.layout == Layout::kGrey ? 1 : 3;
        if (request_.recompress) {
            const std::string encoded = Reencode(bitmap, samples);
            if (encoded.empty())
                Fail("cannot encode " + picture.path.string());
            else
                Write(encoded, out);
            return;
        }
        // With a soft mask the colour stays as it is; without one transparency goes onto white.
        const Bitmap colour(picture.layout == Layout::kRgbWithAlpha
                                ? FreeImage_ConvertTo24Bits(bitmap)
                                : FlattenOnWhite(bitmap).release());
        if (!colour || FreeImage_GetBPP(colour.get()) != samples * 8) {
            Fail("cannot convert " + picture.path.string());
            return;
        }
        WriteSamples(colour.get(), samples, out);
    }

    void FeedAlpha(std::size_t index, Pipeline* out) {
        FIBITMAP* bitmap = Decoded(index, Orientation::kUpright);
        if (bitmap == nullptr)
            return;
        const Bitmap with_alpha(FreeImage_ConvertTo32Bits(bitmap));
        if (!with_alpha) {
            Fail("cannot convert " + pictures_[index].path.string());
            return;
        }
        WriteSamples(with_alpha.get(), 1, out, FI_RGBA_ALPHA);
    }

    // Rows top first, as PDF wants them (FreeImage keeps them bottom first), colour as R G B;
    // with `only` set, that one byte of each pixel.
    static void WriteSamples(FIBITMAP* bitmap, unsigned samples, Pipeline* out, int only = -1) {
        const unsigned width = FreeImage_GetWidth(bitmap);
        const unsigned height = FreeImage_GetHeight(bitmap);
        const unsigned step = FreeImage_GetBPP(bitmap) / 8;
        std::vector<unsigned char> row(static_cast<std::size_t>(width) * samples);
        for (unsigned y = height; y-- > 0;) {
            const BYTE* pixels = FreeImage_GetScanLine(bitmap, static_cast<int>(y));
            for (unsigned x = 0; x < width; ++x) {
                const BYTE* pixel = pixels + static_cast<std::size_t>(x) * step;
                unsigned char* target = row.data() + static_cast<std::size_t>(x) * samples;
                if (only >= 0) {
                    target[0] = pixel[only];
                } else if (samples == 1) {
                    target[0] = pixel[0];
                } else {
                    target[0] = pixel[FI_RGBA_RED];
                    target[1] = pixel[FI_RGBA_GREEN];
                    target[2] = pixel[FI_RGBA_BLUE];
                }
            }
            out->write(row.data(), row.size());
        }
    }

    static constexpr std::size_t kNone = std::numeric_limits<std::size_t>::max();

    const std::vector<PdfPicture>& pictures_;
    const ImagesToPdfRequest& request_;
    std::size_t cached_index_ = kNone;
    Bitmap cached_;  // the picture last decoded: colour and soft mask come from one decode
    std::size_t fed_ = 0;
    std::string error_;
};

std::string Number(double value) {
    char text[32];
    const auto end =
        std::to_chars(std::begin(text), std::end(text), value, std::chars_format::fixed, 4);
    return std::string(text, end.ptr);
}

const char* ColourSpace(const PdfPicture& picture, Plane plane) {
    if (plane == Plane::kAlpha || picture.layout == Layout::kGrey)
        return "/DeviceGray";
    if (picture.layout != Layout::kJpegFile)
        return "/DeviceRGB";
    switch (picture.jpeg.components) {
        case 1:
            return "/DeviceGray";
        case 4:
            return "/DeviceCMYK";
        default:
            return "/DeviceRGB";
    }
}

QPDFObjectHandle ImageStream(QPDF& pdf, const std::shared_ptr<PictureFeeder>& feeder,
                             const PdfPicture& picture, std::size_t index, Plane plane,
                             bool recompress) {
    QPDFObjectHandle image = QPDFObjectHandle::newStream(&pdf);
    QPDFObjectHandle dictionary = image.getDict();
    dictionary.replaceKey("/Type", QPDFObjectHandle::newName("/XObject"));
    dictionary.replaceKey("/Subtype", QPDFObjectHandle::newName("/Image"));
    dictionary.replaceKey("/Width", QPDFObjectHandle::newInteger(picture.geometry.width));
    dictionary.replaceKey("/Height", QPDFObjectHandle::newInteger(picture.geometry.height));
    dictionary.replaceKey("/BitsPerComponent", QPDFObjectHandle::newInteger(8));
    dictionary.replaceKey("/ColorSpace", QPDFObjectHandle::newName(ColourSpace(picture, plane)));
    // Adobe's CMYK JPEGs store their samples inverted.
    if (picture.layout == Layout::kJpegFile && picture.jpeg.components == 4 && picture.jpeg.adobe)
        dictionary.replaceKey("/Decode", QPDFObjectHandle::parse("[1 0 1 0 1 0 1 0]"));
    const bool dct = plane == Plane::kColour && (picture.layout == Layout::kJpegFile || recompress);
    // Without a filter the writer compresses the samples with Flate.
    image.replaceStreamData(
        [feeder, index, plane](Pipeline* out) { feeder->Feed(index, plane, out); },
        dct ? QPDFObjectHandle::newName("/DCTDecode") : QPDFObjectHandle::newNull(),
        QPDFObjectHandle::newNull());
    return image;
}

QPDFObjectHandle MediaBox(const PicturePlacement& placement) {
    QPDFObjectHandle box = QPDFObjectHandle::newArray();
    box.appendItem(QPDFObjectHandle::newInteger(0));
    box.appendItem(QPDFObjectHandle::newInteger(0));
    box.appendItem(QPDFObjectHandle::newReal(placement.page_width, 2));
    box.appendItem(QPDFObjectHandle::newReal(placement.page_height, 2));
    return box;
}

std::string DrawImage(const PicturePlacement& placement) {
    std::string content = "q";
    for (const double value : placement.matrix)
        content += " " + Number(value);
    return content + " cm /Im0 Do Q\n";
}

void AddPage(QPDF& pdf, QPDFPageDocumentHelper& pages, const std::shared_ptr<PictureFeeder>& feeder,
             const std::vector<PdfPicture>& pictures, std::size_t index,
             const ImagesToPdfRequest& request) {
    const PdfPicture& picture = pictures[index];
    const PicturePlacement placement = PlacePicture(picture.geometry, request.page);
    QPDFObjectHandle image =
        ImageStream(pdf, feeder, picture, index, Plane::kColour, request.recompress);
    if (picture.layout == Layout::kRgbWithAlpha)
        image.getDict().replaceKey(
            "/SMask", ImageStream(pdf, feeder, picture, index, Plane::kAlpha, request.recompress));
    QPDFObjectHandle objects = QPDFObjectHandle::newDictionary();
    objects.replaceKey("/Im0", image);
    QPDFObjectHandle resources = QPDFObjectHandle::newDictionary();
    resources.replaceKey("/XObject", objects);
    QPDFObjectHandle page = QPDFObjectHandle::parse("<< /Type /Page >>");
    page.replaceKey("/MediaBox", MediaBox(placement));
    page.replaceKey("/Resources", resources);
    page.replaceKey("/Contents", QPDFObjectHandle::newStream(&pdf, DrawImage(placement)));
    pages.addPage(QPDFPageObjectHelper(pdf.makeIndirectObject(page)), false);
}

}  // namespace

bool WriteImagesPdf(const ImagesToPdfRequest& request, const std::filesystem::path& output,
                    std::string* error) {
    if (request.images.empty()) {
        *error = "no pictures to convert";
        return false;
    }
    std::vector<PdfPicture> pictures(request.images.size());
    for (std::size_t i = 0; i < pictures.size(); ++i) {
        if (Cancelled(request)) {
            *error = "cancelled";
            return false;
        }
        if (!Inspect(request.images[i], request.recompress, &pictures[i], error))
            return false;
        Progress(request, static_cast<int>(kCheckingShare * (i + 1) / pictures.size()));
    }
    const auto feeder = std::make_shared<PictureFeeder>(pictures, request);
    try {
        QPDF pdf;
        pdf.emptyPDF();
        QPDFPageDocumentHelper pages(pdf);
        for (std::size_t i = 0; i < pictures.size(); ++i)
            AddPage(pdf, pages, feeder, pictures, i, request);
        QPDFWriter writer(pdf, output.c_str());
        writer.setMinimumPDFVersion("1.4");  // soft masks
        writer.write();
    } catch (const std::exception& failure) {
        *error = std::string("cannot write the PDF: ") + failure.what();
        return false;
    }
    if (Cancelled(request)) {
        *error = "cancelled";
        return false;
    }
    *error = feeder->Error();
    return error->empty();
}

}  // namespace convcore
