#include "convcore/TestDocuments.h"

#include <zip.h>

#include "platform/Format.h"

namespace convcoretest {
namespace {

const char kPresentationNamespaces[] =
    "xmlns:a=\"http://schemas.openxmlformats.org/drawingml/2006/main\" "
    "xmlns:r=\"http://schemas.openxmlformats.org/officeDocument/2006/relationships\" "
    "xmlns:p=\"http://schemas.openxmlformats.org/presentationml/2006/main\"";

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
