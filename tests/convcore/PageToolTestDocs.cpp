#include "convcore/PageToolTestDocs.h"

#include <cstdlib>
#include <fstream>
#include <random>

#include "convcore/PageToolCommands.h"
#include "convcore/RenderJpeg.h"
#include "platform/Format.h"
#include "support/TestPdf.h"

namespace convcoretest {
namespace {

std::string Stream(const std::string& dictionary, const std::string& data) {
    return platform::Format("<< %s /Length %d >>\nstream\n", dictionary,
                            static_cast<int>(data.size())) +
           data + "\nendstream";
}

std::string PageText(const std::string& prefix, int page) {
    return platform::Format("BT /F1 12 Tf 72 720 Td (%sPage %d) Tj ET", prefix, page);
}

std::string NoiseSamples(std::size_t count, unsigned seed) {
    std::mt19937 random(seed);
    std::string samples(count, '\0');
    for (char& sample : samples)
        sample = static_cast<char>(random() & 0xff);
    return samples;
}

// The pages tree (object 2) for pages whose objects start at `first` and come every `step`.
std::string PagesTree(int count, int first, int step) {
    std::string kids;
    for (int page = 0; page < count; ++page)
        kids += platform::Format("%d 0 R ", first + step * page);
    return platform::Format("<< /Type /Pages /Kids [%s] /Count %d >>", kids, count);
}

}  // namespace

std::string NamedPagesPdf(int count, const std::string& prefix, const std::string& catalog) {
    std::vector<std::string> objects = {
        "<< /Type /Catalog /Pages 2 0 R " + catalog + " >>",
        PagesTree(count, 4, 2),
        "<< /Type /Font /Subtype /Type1 /BaseFont /Helvetica >>",
    };
    for (int page = 1; page <= count; ++page) {
        objects.push_back(platform::Format(
            "<< /Type /Page /Parent 2 0 R /MediaBox [0 0 595 842] /Resources << /Font << /F1 3 "
            "0 R >> >> /Contents %d 0 R >>",
            static_cast<int>(objects.size()) + 2));
        objects.push_back(Stream("", PageText(prefix, page)));
    }
    return testdocs::AssemblePdf(objects);
}

std::string WordyPdf(int count) {
    std::vector<testdocs::TestPage> pages;
    for (int page = 1; page <= count; ++page) {
        std::string content;
        for (int line = 0; line < 400; ++line)
            content += platform::Format("0.5 w %d 50 m %d 800 l S\n", 20 + line, 20 + line);
        pages.push_back({content + PageText("", page), ""});
    }
    return testdocs::BuildPdf(pages);
}

std::string SharedResourcesPdf(int count) {
    const std::string picture =
        "/Type /XObject /Subtype /Image /Width 100 /Height 100 "
        "/ColorSpace /DeviceGray /BitsPerComponent 8";
    std::vector<std::string> objects = {
        "<< /Type /Catalog /Pages 2 0 R >>",
        PagesTree(count, 7, 2),
        "<< /Font << /F1 4 0 R >> /XObject << /ImA 5 0 R /ImB 6 0 R >> >>",
        "<< /Type /Font /Subtype /Type1 /BaseFont /Helvetica >>",
        Stream(picture, NoiseSamples(100 * 100, 1)),
        Stream(picture, NoiseSamples(100 * 100, 2)),
    };
    for (int page = 1; page <= count; ++page) {
        objects.push_back(platform::Format(
            "<< /Type /Page /Parent 2 0 R /MediaBox [0 0 595 842] /Resources 3 0 R "
            "/Contents %d 0 R >>",
            static_cast<int>(objects.size()) + 2));
        const char* name = page % 2 == 1 ? "/ImA" : "/ImB";
        objects.push_back(Stream(
            "", platform::Format("q 100 0 0 100 50 500 cm %s Do Q ", name) + PageText("", page)));
    }
    return testdocs::AssemblePdf(objects);
}

std::string PicturePdf(int width, int height, bool as_jpeg) {
    // A smooth picture with a little grain, as a photograph or a scan would be.
    std::string samples(static_cast<std::size_t>(width) * height * 3, '\0');
    std::mt19937 random(7);
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            const std::size_t at = (static_cast<std::size_t>(y) * width + x) * 3;
            const int grain = static_cast<int>(random() % 8);
            samples[at] = static_cast<char>((x * 255 / width + grain) & 0xff);
            samples[at + 1] = static_cast<char>((y * 255 / height + grain) & 0xff);
            samples[at + 2] = static_cast<char>(((x + y) * 127 / (width + height) + grain) & 0xff);
        }
    }
    std::string filter;
    if (as_jpeg) {
        convcore::JpegEncoder encoder;
        std::string error;
        EXPECT_TRUE(encoder.Start(nullptr, width, height, 72, 95, &error) &&
                    encoder.WriteRows(reinterpret_cast<const unsigned char*>(samples.data()),
                                      width * 3, height, &error) &&
                    encoder.Finish(&error))
            << error;
        samples.assign(reinterpret_cast<const char*>(encoder.Bytes().data()),
                       encoder.Bytes().size());
        filter = " /Filter /DCTDecode";
    }
    return testdocs::AssemblePdf({
        "<< /Type /Catalog /Pages 2 0 R >>",
        PagesTree(1, 5, 1),
        "<< /Type /Font /Subtype /Type1 /BaseFont /Helvetica >>",
        Stream(platform::Format("/Type /XObject /Subtype /Image /Width %d /Height %d "
                                "/ColorSpace /DeviceRGB /BitsPerComponent 8%s",
                                width, height, filter),
               samples),
        "<< /Type /Page /Parent 2 0 R /MediaBox [0 0 595 842] /Resources << /Font << /F1 3 0 R "
        ">> /XObject << /Im1 4 0 R >> >> /Contents 6 0 R >>",
        Stream("", "q 495 0 0 700 50 50 cm /Im1 Do Q " + PageText("", 1)),
    });
}

std::vector<std::string> NamedPages(const std::vector<int>& pages, const std::string& prefix) {
    std::vector<std::string> texts;
    for (const int page : pages)
        texts.push_back(platform::Format("%sPage %d", prefix, page));
    return texts;
}

bool EncryptWithQpdf(const std::filesystem::path& plain, const std::filesystem::path& locked,
                     const std::string& user, const std::string& owner) {
    return testdocs::RunTool(
        "qpdf", {"--encrypt", user, owner, "256", "--", plain.string(), locked.string()});
}

std::string ReadableForm(const std::filesystem::path& pdf) {
    const std::filesystem::path readable = pdf.string() + ".qdf";
    if (!testdocs::RunTool("qpdf",
                           {"--qdf", "--object-streams=disable", pdf.string(), readable.string()}))
        return {};
    const std::string text = testdocs::ReadFile(readable);
    std::filesystem::remove(readable);
    return text;
}

int CountPictures(const std::filesystem::path& pdf) {
    const std::string text = ReadableForm(pdf);
    int count = 0;
    for (std::size_t at = 0; (at = text.find("/Subtype /Image", at)) != std::string::npos; ++at)
        ++count;
    return text.empty() ? -1 : count;
}

std::string RenderFirstPage(const std::filesystem::path& pdf) {
    const std::filesystem::path image = pdf.string() + ".ppm";
    if (!testdocs::RunTool("mutool",
                           {"draw", "-q", "-r", "20", "-o", image.string(), pdf.string(), "1"}))
        return {};
    std::ifstream in(image, std::ios::binary);
    std::string magic;
    int width = 0;
    int height = 0;
    int maximum = 0;
    in >> magic >> width >> height >> maximum;
    in.get();
    std::string samples(static_cast<std::size_t>(width) * height * 3, '\0');
    in.read(samples.data(), static_cast<std::streamsize>(samples.size()));
    std::filesystem::remove(image);
    return magic == "P6" && in ? samples : std::string();
}

double MeanDifference(const std::string& first, const std::string& second) {
    if (first.size() != second.size() || first.empty())
        return 255;
    double total = 0;
    for (std::size_t at = 0; at < first.size(); ++at)
        total += std::abs(static_cast<unsigned char>(first[at]) -
                          static_cast<unsigned char>(second[at]));
    return total / static_cast<double>(first.size());
}

std::set<std::string> FolderNames(const std::filesystem::path& folder) {
    std::set<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(folder))
        names.insert(entry.path().filename().string());
    return names;
}

convcore::TaskOutcome RunPageTool(const Json::Value& record, convcore::TaskContext& context) {
    convcore::CommandDispatcher dispatcher;
    convcore::RegisterPageTools(dispatcher);
    return dispatcher.HandlerFor(record)(record, context);
}

}  // namespace convcoretest
