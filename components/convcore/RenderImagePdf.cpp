#include "convcore/RenderImagePdf.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "convcore/RecordFields.h"
#include "convcore/RenderBands.h"
#include "convcore/RenderDocument.h"
#include "convcore/RenderJpeg.h"
#include "convcore/RenderOutputs.h"
#include "platform/Format.h"

namespace convcore {
namespace {

constexpr double kDotsPerInch = 150;
constexpr double kPointsPerInch = 72;
constexpr int kJpegQuality = 80;
// A poster-sized page is pictured at less than 150 dpi rather than as a picture nobody can open.
constexpr double kMaxPagePixels = 64.0 * 1000 * 1000;
constexpr double kMaxPageSide = 60000;

// Locale-independent, as PDF syntax requires.
std::string Number(double value) {
    char text[32];
    const auto end = std::to_chars(text, text + sizeof(text), value, std::chars_format::fixed, 3);
    return std::string(text, end.ptr);
}

// Writes the output PDF as it goes: every page's picture goes to the file as soon as it is made,
// and only the page tree and the cross-reference table wait for the end.
class ImagePdfWriter {
public:
    ~ImagePdfWriter() {
        if (file_ != nullptr)
            std::fclose(file_);
    }

    bool Open(const std::filesystem::path& file, std::string* error) {
        path_ = file;
        file_ = std::fopen(file.c_str(), "wb");
        offsets_.assign(kFirstFreeObject, 0);
        return Write("%PDF-1.4\n%\xE2\xE3\xCF\xD3\n") || Fail(error);
    }

    bool AddPage(const fz_rect& size, int pixel_width, int pixel_height,
                 std::span<const unsigned char> jpeg, std::string* error) {
        const int image = NextObject();
        const int content = NextObject();
        const int page = NextObject();
        const std::string width = Number(size.x1 - size.x0);
        const std::string height = Number(size.y1 - size.y0);
        const bool written =
            WriteStream(image,
                        platform::Format("/Type /XObject /Subtype /Image /Width %d /Height %d "
                                         "/ColorSpace /DeviceRGB /BitsPerComponent 8 "
                                         "/Filter /DCTDecode",
                                         pixel_width, pixel_height),
                        jpeg) &&
            WriteStream(content, "",
                        AsBytes("q " + width + " 0 0 " + height + " 0 0 cm /Im0 Do Q")) &&
            WriteObject(page, platform::Format("<< /Type /Page /Parent %d 0 R /MediaBox [0 0 %s "
                                               "%s] /Resources << /XObject << /Im0 %d 0 R >> >> "
                                               "/Contents %d 0 R >>",
                                               kPagesObject, width, height, image, content));
        pages_.push_back(page);
        return written || Fail(error);
    }

    bool Close(std::string* error) {
        std::string kids;
        for (const int page : pages_)
            kids += platform::Format("%d 0 R ", page);
        const bool written =
            WriteObject(kPagesObject, platform::Format("<< /Type /Pages /Kids [%s] /Count %d >>",
                                                       kids, static_cast<int>(pages_.size()))) &&
            WriteObject(kCatalogObject,
                        platform::Format("<< /Type /Catalog /Pages %d 0 R >>", kPagesObject)) &&
            WriteCrossReference();
        const bool closed = std::fclose(file_) == 0;
        file_ = nullptr;
        return (written && closed) || Fail(error);
    }

private:
    static constexpr int kCatalogObject = 1;
    static constexpr int kPagesObject = 2;
    static constexpr int kFirstFreeObject = 3;

    static std::span<const unsigned char> AsBytes(std::string_view text) {
        return {reinterpret_cast<const unsigned char*>(text.data()), text.size()};
    }

    int NextObject() {
        offsets_.push_back(0);
        return static_cast<int>(offsets_.size()) - 1;
    }

    bool Write(std::string_view text) { return WriteBytes(AsBytes(text)); }

    bool WriteBytes(std::span<const unsigned char> bytes) {
        if (file_ == nullptr || std::fwrite(bytes.data(), 1, bytes.size(), file_) != bytes.size())
            return false;
        written_ += static_cast<std::int64_t>(bytes.size());
        return true;
    }

    bool WriteObject(int number, const std::string& body) {
        offsets_[static_cast<std::size_t>(number)] = written_;
        return Write(platform::Format("%d 0 obj\n%s\nendobj\n", number, body));
    }

    bool WriteStream(int number, const std::string& entries, std::span<const unsigned char> data) {
        offsets_[static_cast<std::size_t>(number)] = written_;
        return Write(platform::Format("%d 0 obj\n<< %s /Length %d >>\nstream\n", number, entries,
                                      static_cast<std::int64_t>(data.size()))) &&
               WriteBytes(data) && Write("\nendstream\nendobj\n");
    }

    bool WriteCrossReference() {
        const std::int64_t start = written_;
        std::string table = platform::Format("xref\n0 %d\n0000000000 65535 f \n",
                                             static_cast<int>(offsets_.size()));
        for (std::size_t number = 1; number < offsets_.size(); ++number)
            table += platform::Format("%010d 00000 n \n", offsets_[number]);
        table += platform::Format("trailer\n<< /Size %d /Root %d 0 R >>\nstartxref\n%d\n%%%%EOF\n",
                                  static_cast<int>(offsets_.size()), kCatalogObject, start);
        return Write(table);
    }

    bool Fail(std::string* error) const {
        *error = platform::Format("cannot write %s", path_.string());
        return false;
    }

    std::filesystem::path path_;
    std::FILE* file_ = nullptr;
    std::int64_t written_ = 0;
    std::vector<std::int64_t> offsets_;  // by object number; 0 is the free-list head
    std::vector<int> pages_;
};

// 150 dpi unless the page is so large that the picture would pass the limits above.
float PictureScale(const fz_rect& bounds) {
    const double width = std::max(1.0f, bounds.x1 - bounds.x0);
    const double height = std::max(1.0f, bounds.y1 - bounds.y0);
    double scale = kDotsPerInch / kPointsPerInch;
    scale = std::min(scale, kMaxPageSide / std::max(width, height));
    scale = std::min(scale, std::sqrt(kMaxPagePixels / (width * height)));
    return static_cast<float>(scale);
}

bool PicturePage(const RenderDocument& document, int index, fz_cookie* cookie,
                 ImagePdfWriter* writer, std::string* error) {
    fz_context* context = document.Context();
    PageHandle page(context);
    PagePlacement placement;
    if (!document.LoadPage(index, &page, error) ||
        !PlacePage(context, page.Get(), 1, &placement, error) ||
        !PlacePage(context, page.Get(), PictureScale(placement.bounds), &placement, error))
        return false;
    if (placement.Width() <= 0 || placement.Height() <= 0) {
        *error = platform::Format("page %d has no area to draw", index + 1);
        return false;
    }
    JpegEncoder encoder;
    const int dpi = static_cast<int>(std::lround(placement.transform.a * kPointsPerInch));
    if (!encoder.Start(nullptr, placement.Width(), placement.Height(), dpi, kJpegQuality, error))
        return false;
    const RowSink sink = [&encoder](const unsigned char* rows, std::ptrdiff_t stride, int count,
                                    std::string* failure) {
        return encoder.WriteRows(rows, stride, count, failure);
    };
    return DrawPageRows(context, page.Get(), placement, placement.Width(), cookie, sink, error) &&
           encoder.Finish(error) &&
           writer->AddPage(placement.bounds, placement.Width(), placement.Height(), encoder.Bytes(),
                           error);
}

}  // namespace

TaskOutcome ConvertPdfToImagePdf(const Json::Value& record, TaskContext& context) {
    std::string error;
    std::vector<int> pages;
    const auto document = OpenRecordSource(record, &pages, &error);
    if (document == nullptr)
        return TaskOutcome::Failure(error);
    const std::filesystem::path target = TextField(record, "target_path");
    OutputFolder folder(target.parent_path());
    if (!PrepareOutputFile(target, folder, &error))
        return TaskOutcome::Failure(error);
    PendingOutput pending(target);
    ImagePdfWriter writer;
    CancelCookie cookie(context);
    if (!writer.Open(pending.WorkPath(), &error))
        return TaskOutcome::Failure(error);
    for (std::size_t done = 0; done < pages.size(); ++done) {
        if (cookie.Cancelled() ||
            !PicturePage(*document, pages[done], cookie.Get(), &writer, &error))
            return TaskOutcome::Failure(cookie.Cancelled() ? "cancelled" : error);
        context.SetProgress(static_cast<int>((done + 1) * 100 / pages.size()));
    }
    if (!writer.Close(&error) || !pending.Commit(&error))
        return TaskOutcome::Failure(error);
    folder.Keep();
    return TaskOutcome::Success();
}

}  // namespace convcore
