#include "convcore/TestDocuments.h"

#include <zip.h>

#include <fstream>

#include "platform/Format.h"
#include "platform/Process.h"

namespace convcoretest {
namespace {

constexpr int kFirstPageObject = 5;

const char kPresentationNamespaces[] =
    "xmlns:a=\"http://schemas.openxmlformats.org/drawingml/2006/main\" "
    "xmlns:r=\"http://schemas.openxmlformats.org/officeDocument/2006/relationships\" "
    "xmlns:p=\"http://schemas.openxmlformats.org/presentationml/2006/main\"";

std::vector<std::string> FixedObjects(int page_count) {
    std::string kids;
    for (int page = 0; page < page_count; ++page)
        kids += platform::Format("%d 0 R ", kFirstPageObject + 2 * page);
    return {
        "<< /Type /Catalog /Pages 2 0 R >>",
        platform::Format("<< /Type /Pages /Kids [%s] /Count %d >>", kids, page_count),
        "<< /Type /Font /Subtype /Type1 /BaseFont /Helvetica >>",
        "<< /Type /XObject /Subtype /Image /Width 2 /Height 2 /ColorSpace /DeviceRGB "
        "/BitsPerComponent 8 /Length 12 >>\nstream\n" +
            std::string(12, '\x7f') + "\nendstream",
    };
}

std::string Stream(const std::string& content) {
    return platform::Format("<< /Length %d >>\nstream\n", static_cast<int>(content.size())) +
           content + "\nendstream";
}

std::string Xml(const std::string& body) {
    return "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>\n" + body;
}

using Parts = std::vector<std::pair<std::string, std::string>>;

void WriteZip(const std::filesystem::path& file, const Parts& parts) {
    int failure = 0;
    zip_t* archive = zip_open(file.c_str(), ZIP_CREATE | ZIP_TRUNCATE, &failure);
    for (const auto& [name, data] : parts) {
        zip_source_t* source = zip_source_buffer(archive, data.data(), data.size(), 0);
        zip_file_add(archive, name.c_str(), source, ZIP_FL_OVERWRITE);
    }
    // The buffers must live until the archive is written, which happens here.
    zip_close(archive);
}

}  // namespace

std::string LineDrawingContent(int lines) {
    std::string content = "0.5 w\n";
    for (int line = 0; line < lines; ++line)
        content += platform::Format("%d 50 m %d 800 l S\n", 20 + line, 20 + line);
    return content + "BT /F1 8 Tf 30 30 Td (A-A) Tj ET";
}

std::string BuildPdf(const std::vector<TestPage>& pages, const std::string& info) {
    std::vector<std::string> objects = FixedObjects(static_cast<int>(pages.size()));
    for (std::size_t page = 0; page < pages.size(); ++page) {
        objects.push_back(platform::Format(
            "<< /Type /Page /Parent 2 0 R /MediaBox [0 0 595 842] %s /Resources << /Font << "
            "/F1 3 0 R >> /XObject << /Im1 4 0 R >> >> /Contents %d 0 R >>",
            pages[page].attributes, static_cast<int>(objects.size()) + 2));
        objects.push_back(Stream(pages[page].content));
    }
    if (!info.empty())
        objects.push_back("<< " + info + " >>");
    std::string pdf = "%PDF-1.7\n";
    std::vector<std::size_t> offsets;
    for (std::size_t object = 0; object < objects.size(); ++object) {
        offsets.push_back(pdf.size());
        pdf += platform::Format("%d 0 obj\n", static_cast<int>(object + 1)) + objects[object] +
               "\nendobj\n";
    }
    const std::size_t xref = pdf.size();
    pdf +=
        platform::Format("xref\n0 %d\n0000000000 65535 f \n", static_cast<int>(offsets.size() + 1));
    for (const std::size_t offset : offsets)
        pdf += platform::Format("%010d 00000 n \n", static_cast<int>(offset));
    pdf +=
        platform::Format("trailer\n<< /Size %d /Root 1 0 R", static_cast<int>(offsets.size() + 1));
    if (!info.empty())
        pdf += platform::Format(" /Info %d 0 R", static_cast<int>(objects.size()));
    return pdf + platform::Format(" >>\nstartxref\n%d\n%%%%EOF\n", static_cast<int>(xref));
}

std::vector<TestPage> TextPages(int count) {
    return std::vector<TestPage>(static_cast<std::size_t>(count), TestPage{kTextContent, ""});
}

void WriteFile(const std::filesystem::path& file, const std::string& data) {
    std::ofstream(file, std::ios::binary) << data;
}

bool RunTool(const std::string& program, const std::vector<std::string>& arguments) {
    const auto executable = platform::FindInPath(program);
    if (executable.empty())
        return false;
    const auto process = platform::Process::Spawn(executable, arguments);
    if (!process || !process->WaitForExit(std::chrono::seconds(60)))
        return false;
    return process->ExitCode() == 0;
}

void WritePresentation(const std::filesystem::path& file, const std::vector<bool>& shown,
                       bool missing_part) {
    Parts parts;
    std::string list;
    std::string relationships;
    for (std::size_t slide = 0; slide < shown.size(); ++slide) {
        const int number = static_cast<int>(slide) + 1;
        list += platform::Format("<p:sldId id=\"%d\" r:id=\"rId%d\"/>", 255 + number, number + 1);
        relationships += platform::Format(
            "<Relationship Id=\"rId%d\" Type=\"http://schemas.openxmlformats.org/"
            "officeDocument/2006/relationships/slide\" Target=\"slides/slide%d.xml\"/>",
            number + 1, number);
        const bool last = slide + 1 == shown.size();
        if (missing_part && last)
            continue;
        parts.emplace_back(
            platform::Format("ppt/slides/slide%d.xml", number),
            Xml(platform::Format("<p:sld %s%s><p:cSld><p:spTree/></p:cSld></p:sld>",
                                 kPresentationNamespaces, shown[slide] ? "" : " show=\"0\"")));
    }
    parts.emplace_back("ppt/presentation.xml",
                       Xml(platform::Format("<p:presentation %s><p:sldIdLst>%s</p:sldIdLst>"
                                            "</p:presentation>",
                                            kPresentationNamespaces, list)));
    parts.emplace_back("ppt/_rels/presentation.xml.rels",
                       Xml("<Relationships xmlns=\"http://schemas.openxmlformats.org/package/"
                           "2006/relationships\">" +
                           relationships + "</Relationships>"));
    WriteZip(file, parts);
}

void WriteWordDocument(const std::filesystem::path& file, int pages) {
    std::string body;
    for (int page = 1; page <= pages; ++page) {
        if (page > 1)
            body += "<w:p><w:r><w:br w:type=\"page\"/></w:r></w:p>";
        body += platform::Format("<w:p><w:r><w:t>Page %d</w:t></w:r></w:p>", page);
    }
    WriteZip(file,
             {{"[Content_Types].xml",
               Xml("<Types xmlns=\"http://schemas.openxmlformats.org/package/2006/content-types\">"
                   "<Default Extension=\"rels\" ContentType=\"application/"
                   "vnd.openxmlformats-package.relationships+xml\"/>"
                   "<Default Extension=\"xml\" ContentType=\"application/xml\"/>"
                   "<Override PartName=\"/word/document.xml\" ContentType=\"application/"
                   "vnd.openxmlformats-officedocument.wordprocessingml.document.main+xml\"/>"
                   "</Types>")},
              {"_rels/.rels",
               Xml("<Relationships xmlns=\"http://schemas.openxmlformats.org/package/2006/"
                   "relationships\"><Relationship Id=\"rId1\" Type=\"http://"
                   "schemas.openxmlformats.org/officeDocument/2006/relationships/"
                   "officeDocument\" Target=\"word/document.xml\"/></Relationships>")},
              {"word/document.xml",
               Xml("<w:document xmlns:w=\"http://schemas.openxmlformats.org/wordprocessingml/"
                   "2006/main\"><w:body>" +
                   body + "</w:body></w:document>")}});
}

}  // namespace convcoretest
