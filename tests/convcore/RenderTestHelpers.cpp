#include "convcore/RenderTestHelpers.h"

#include <FreeImage.h>

#include <algorithm>
#include <fstream>
#include <sstream>

#include "convcore/CommandDispatcher.h"
#include "convcore/RenderCommands.h"
#include "platform/Format.h"
#include "support/TestPdf.h"

namespace rendertest {

void RecordingTask::Report(const std::string& key, const Json::Value& value) {
    std::lock_guard lock(mutex_);
    values_[key].push_back(value);
}

void RecordingTask::Clear() {
    std::lock_guard lock(mutex_);
    values_.clear();
    progress_.clear();
}

std::vector<Json::Value> RecordingTask::History(const std::string& key) const {
    std::lock_guard lock(mutex_);
    const auto found = values_.find(key);
    return found == values_.end() ? std::vector<Json::Value>() : found->second;
}

Json::Value RecordingTask::Last(const std::string& key) const {
    const auto history = History(key);
    return history.empty() ? Json::Value() : history.back();
}

std::vector<int> RecordingTask::Progress() const {
    std::lock_guard lock(mutex_);
    return progress_;
}

convcore::TaskOutcome RunCommand(const Json::Value& record, RecordingTask& task) {
    convcore::CommandDispatcher dispatcher;
    convcore::RegisterRenderCommands(dispatcher);
    return dispatcher.HandlerFor(record)(record, task);
}

std::string StreamObject(const std::string& entries, const std::string& data) {
    return platform::Format("<< %s /Length %d >>\nstream\n", entries,
                            static_cast<int>(data.size())) +
           data + "\nendstream";
}

std::string ChineseTextPdf() {
    const std::string to_unicode =
        "/CIDInit /ProcSet findresource begin\n12 dict begin\nbegincmap\n"
        "/CIDSystemInfo << /Registry (Adobe) /Ordering (UCS) /Supplement 0 >> def\n"
        "/CMapName /Adobe-Identity-UCS def\n/CMapType 2 def\n"
        "1 begincodespacerange\n<0000> <FFFF>\nendcodespacerange\n"
        "4 beginbfchar\n<0001> <4E2D>\n<0002> <6587>\n<0003> <6D4B>\n<0004> <8BD5>\n"
        "endbfchar\nendcmap\nCMapName currentdict /CIDInit /ProcSet findresource pop end\nend\n";
    const std::string content =
        "BT /F1 12 Tf 72 760 Td (Hello) Tj ET\n"
        "BT /F2 24 Tf 72 700 Td <0001000200030004> Tj ET";
    return testdocs::AssemblePdf({
        "<< /Type /Catalog /Pages 2 0 R >>",
        "<< /Type /Pages /Kids [3 0 R] /Count 1 >>",
        "<< /Type /Page /Parent 2 0 R /MediaBox [0 0 595 842] /Resources << /Font << /F1 5 0 R "
        "/F2 6 0 R >> >> /Contents 4 0 R >>",
        StreamObject("", content),
        "<< /Type /Font /Subtype /Type1 /BaseFont /Helvetica >>",
        "<< /Type /Font /Subtype /Type0 /BaseFont /SimSun /Encoding /Identity-H "
        "/DescendantFonts [7 0 R] /ToUnicode 8 0 R >>",
        "<< /Type /Font /Subtype /CIDFontType2 /BaseFont /SimSun /CIDSystemInfo << /Registry "
        "(Adobe) /Ordering (Identity) /Supplement 0 >> /FontDescriptor 9 0 R /DW 1000 >>",
        StreamObject("", to_unicode),
        "<< /Type /FontDescriptor /FontName /SimSun /Flags 4 /FontBBox [0 -200 1000 900] "
        "/ItalicAngle 0 /Ascent 880 /Descent -120 /CapHeight 700 /StemV 80 >>",
    });
}

std::string MakeJpeg(int width, int height) {
    FIBITMAP* bitmap = FreeImage_Allocate(width, height, 24);
    for (int y = 0; y < height; ++y) {
        BYTE* row = FreeImage_GetScanLine(bitmap, y);
        for (int x = 0; x < width; ++x) {
            row[3 * x + FI_RGBA_RED] = static_cast<BYTE>(x * 255 / width);
            row[3 * x + FI_RGBA_GREEN] = static_cast<BYTE>(y * 255 / height);
            row[3 * x + FI_RGBA_BLUE] = 128;
        }
    }
    FIMEMORY* memory = FreeImage_OpenMemory();
    FreeImage_SaveToMemory(FIF_JPEG, bitmap, memory, JPEG_QUALITYGOOD);
    BYTE* data = nullptr;
    DWORD size = 0;
    FreeImage_AcquireMemory(memory, &data, &size);
    std::string jpeg(reinterpret_cast<const char*>(data), size);
    FreeImage_CloseMemory(memory);
    FreeImage_Unload(bitmap);
    return jpeg;
}

std::string PicturesPdf(const std::string& jpeg, int jpeg_width, int jpeg_height) {
    const std::string content =
        "q 300 0 0 200 50 500 cm /Photo Do Q\nq 100 0 0 100 50 300 cm /Raw Do Q\n"
        "q 300 0 0 200 50 50 cm /Photo Do Q";  // drawn twice, extracted once
    return testdocs::AssemblePdf({
        "<< /Type /Catalog /Pages 2 0 R >>",
        "<< /Type /Pages /Kids [3 0 R] /Count 1 >>",
        "<< /Type /Page /Parent 2 0 R /MediaBox [0 0 595 842] /Resources << /XObject << "
        "/Photo 5 0 R /Raw 6 0 R >> >> /Contents 4 0 R >>",
        StreamObject("", content),
        StreamObject(platform::Format("/Type /XObject /Subtype /Image /Width %d /Height %d "
                                      "/ColorSpace /DeviceRGB /BitsPerComponent 8 "
                                      "/Filter /DCTDecode",
                                      jpeg_width, jpeg_height),
                     jpeg),
        StreamObject("/Type /XObject /Subtype /Image /Width 2 /Height 2 /ColorSpace /DeviceRGB "
                     "/BitsPerComponent 8",
                     std::string("\xff\x00\x00\x00\xff\x00\x00\x00\xff\xff\xff\xff", 12)),
    });
}

namespace {

FIBITMAP* Decode(const std::filesystem::path& file) {
    const FREE_IMAGE_FORMAT format = FreeImage_GetFileType(file.c_str(), 0);
    return format == FIF_UNKNOWN ? nullptr : FreeImage_Load(format, file.c_str(), 0);
}

}  // namespace

Picture LoadPicture(const std::filesystem::path& file) {
    FIBITMAP* bitmap = Decode(file);
    if (bitmap == nullptr)
        return {};
    const Picture picture{true, static_cast<int>(FreeImage_GetWidth(bitmap)),
                          static_cast<int>(FreeImage_GetHeight(bitmap))};
    FreeImage_Unload(bitmap);
    return picture;
}

long PixelAt(const std::filesystem::path& file, int x, int y) {
    FIBITMAP* bitmap = Decode(file);
    if (bitmap == nullptr)
        return -1;
    RGBQUAD colour{};
    const int height = static_cast<int>(FreeImage_GetHeight(bitmap));
    // FreeImage counts rows from the bottom.
    const bool read = FreeImage_GetPixelColor(bitmap, x, height - 1 - y, &colour);
    FreeImage_Unload(bitmap);
    if (!read)
        return -1;
    return (long{colour.rgbRed} << 16) | (long{colour.rgbGreen} << 8) | colour.rgbBlue;
}

std::string ReadFile(const std::filesystem::path& file) {
    std::ifstream input(file, std::ios::binary);
    std::ostringstream data;
    data << input.rdbuf();
    return data.str();
}

std::vector<std::string> ListFolder(const std::filesystem::path& folder) {
    std::vector<std::string> names;
    std::error_code ignored;
    for (const auto& entry : std::filesystem::directory_iterator(folder, ignored))
        names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

std::string PdftotextOf(const std::filesystem::path& pdf, const std::filesystem::path& scratch) {
    const std::filesystem::path text = scratch / "pdftotext-output.txt";
    if (!testdocs::RunTool("pdftotext", {"-enc", "UTF-8", pdf.string(), text.string()}))
        return {};
    std::string found = ReadFile(text);
    std::filesystem::remove(text);
    return found;
}

}  // namespace rendertest
