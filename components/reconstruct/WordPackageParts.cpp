#include "reconstruct/WordPackageParts.h"

#include <time.h>

#include <ctime>

#include "reconstruct/OoxmlPackage.h"

namespace reconstruct {
namespace {

constexpr char kXmlDeclaration[] =
    "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>\n";
constexpr char kMainNamespace[] =
    "xmlns:w=\"http://schemas.openxmlformats.org/wordprocessingml/2006/main\"";

std::string HeadingStyleXml(int level) {
    const std::string n = std::to_string(level);
    return "<w:style w:type=\"paragraph\" w:styleId=\"Heading" + n + "\"><w:name w:val=\"heading " +
           n +
           "\"/><w:basedOn w:val=\"Normal\"/><w:next w:val=\"Normal\"/><w:uiPriority w:val=\"9\"/>"
           "<w:qFormat/><w:pPr><w:keepNext/><w:keepLines/><w:outlineLvl w:val=\"" +
           std::to_string(level - 1) + "\"/></w:pPr></w:style>";
}

std::string UtcNow() {
    const std::time_t now = std::time(nullptr);
    std::tm utc{};
    ::gmtime_r(&now, &utc);
    char text[32];
    std::strftime(text, sizeof text, "%Y-%m-%dT%H:%M:%SZ", &utc);
    return text;
}

}  // namespace

std::string WordPartType(const std::string& part) {
    return "application/vnd.openxmlformats-officedocument.wordprocessingml." + part + "+xml";
}

std::string StylesPartXml(const std::string& family, int half_points) {
    const std::string font = XmlEscape(family);
    const std::string size = std::to_string(half_points);
    std::string xml = std::string(kXmlDeclaration) + "<w:styles " + kMainNamespace +
                      "><w:docDefaults><w:rPrDefault><w:rPr><w:rFonts w:ascii=\"" + font +
                      "\" w:hAnsi=\"" + font + "\" w:eastAsia=\"" + font + "\" w:cs=\"" + font +
                      "\"/><w:sz w:val=\"" + size + "\"/><w:szCs w:val=\"" + size +
                      "\"/></w:rPr></w:rPrDefault><w:pPrDefault><w:pPr><w:spacing w:after=\"0\" "
                      "w:line=\"240\" w:lineRule=\"auto\"/></w:pPr></w:pPrDefault></w:docDefaults>"
                      "<w:style w:type=\"paragraph\" w:default=\"1\" w:styleId=\"Normal\"><w:name "
                      "w:val=\"Normal\"/><w:qFormat/></w:style>";
    for (int level = 1; level <= 6; ++level)
        xml += HeadingStyleXml(level);
    xml +=
        "<w:style w:type=\"character\" w:default=\"1\" w:styleId=\"DefaultParagraphFont\"><w:name "
        "w:val=\"Default Paragraph Font\"/><w:uiPriority w:val=\"1\"/><w:semiHidden/></w:style>"
        "<w:style w:type=\"character\" w:styleId=\"Hyperlink\"><w:name w:val=\"Hyperlink\"/>"
        "<w:basedOn w:val=\"DefaultParagraphFont\"/><w:uiPriority w:val=\"99\"/><w:rPr><w:color "
        "w:val=\"0563C1\"/><w:u w:val=\"single\"/></w:rPr></w:style>"
        "<w:style w:type=\"table\" w:default=\"1\" w:styleId=\"TableNormal\"><w:name "
        "w:val=\"Normal "
        "Table\"/><w:semiHidden/><w:tblPr><w:tblInd w:w=\"0\" w:type=\"dxa\"/><w:tblCellMar><w:top "
        "w:w=\"0\" w:type=\"dxa\"/><w:left w:w=\"108\" w:type=\"dxa\"/><w:bottom w:w=\"0\" "
        "w:type=\"dxa\"/><w:right w:w=\"108\" w:type=\"dxa\"/></w:tblCellMar></w:tblPr></w:style>";
    return xml + "</w:styles>";
}

std::string SettingsPartXml() {
    return std::string(kXmlDeclaration) + "<w:settings " + kMainNamespace +
           "><w:zoom w:percent=\"100\"/><w:defaultTabStop w:val=\"720\"/>"
           "<w:characterSpacingControl w:val=\"doNotCompress\"/><w:compat><w:compatSetting "
           "w:name=\"compatibilityMode\" w:uri=\"http://schemas.microsoft.com/office/word\" "
           "w:val=\"15\"/></w:compat></w:settings>";
}

std::string CorePropertiesXml() {
    const std::string now = UtcNow();
    return std::string(kXmlDeclaration) +
           "<cp:coreProperties "
           "xmlns:cp=\"http://schemas.openxmlformats.org/package/2006/metadata/core-properties\" "
           "xmlns:dc=\"http://purl.org/dc/elements/1.1/\" "
           "xmlns:dcterms=\"http://purl.org/dc/terms/\" "
           "xmlns:xsi=\"http://www.w3.org/2001/XMLSchema-instance\"><dc:creator>Quire</dc:creator>"
           "<dcterms:created xsi:type=\"dcterms:W3CDTF\">" +
           now + "</dcterms:created><dcterms:modified xsi:type=\"dcterms:W3CDTF\">" + now +
           "</dcterms:modified></cp:coreProperties>";
}

std::string AppPropertiesXml(int pages) {
    return std::string(kXmlDeclaration) +
           "<Properties "
           "xmlns=\"http://schemas.openxmlformats.org/officeDocument/2006/extended-properties\">"
           "<Application>Quire</Application><Pages>" +
           std::to_string(pages) + "</Pages></Properties>";
}

std::string PackageRelationshipsXml() {
    return std::string(kXmlDeclaration) +
           "<Relationships xmlns=\"http://schemas.openxmlformats.org/package/2006/relationships\">"
           "<Relationship Id=\"rId1\" "
           "Type=\"http://schemas.openxmlformats.org/officeDocument/2006/relationships/"
           "officeDocument\" Target=\"word/document.xml\"/><Relationship Id=\"rId2\" "
           "Type=\"http://schemas.openxmlformats.org/package/2006/relationships/metadata/"
           "core-properties\" Target=\"docProps/core.xml\"/><Relationship Id=\"rId3\" "
           "Type=\"http://schemas.openxmlformats.org/officeDocument/2006/relationships/"
           "extended-properties\" Target=\"docProps/app.xml\"/></Relationships>";
}

}  // namespace reconstruct
