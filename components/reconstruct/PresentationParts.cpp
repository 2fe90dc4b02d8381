#include "reconstruct/PresentationParts.h"

namespace reconstruct {
namespace {

constexpr char kXmlHeader[] = "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>\n";
constexpr char kNamespaces[] =
    " xmlns:a=\"http://schemas.openxmlformats.org/drawingml/2006/main\""
    " xmlns:r=\"http://schemas.openxmlformats.org/officeDocument/2006/relationships\""
    " xmlns:p=\"http://schemas.openxmlformats.org/presentationml/2006/main\"";
constexpr char kRelationshipBase[] =
    "http://schemas.openxmlformats.org/officeDocument/2006/relationships/";
constexpr char kTypeBase[] = "application/vnd.openxmlformats-officedocument.presentationml.";

// The group that every shape tree starts with.
constexpr char kEmptyShapeTree[] =
    "<p:spTree><p:nvGrpSpPr><p:cNvPr id=\"1\" name=\"\"/><p:cNvGrpSpPr/><p:nvPr/></p:nvGrpSpPr>"
    "<p:grpSpPr><a:xfrm><a:off x=\"0\" y=\"0\"/><a:ext cx=\"0\" cy=\"0\"/>"
    "<a:chOff x=\"0\" y=\"0\"/><a:chExt cx=\"0\" cy=\"0\"/></a:xfrm></p:grpSpPr></p:spTree>";

std::string PackageRelationships() {
    return RelationshipsXml(
        {{"rId1", "officeDocument", "ppt/presentation.xml"},
         {"rId2",
          "http://schemas.openxmlformats.org/package/2006/relationships/metadata/core-properties",
          "docProps/core.xml"},
         {"rId3", "extended-properties", "docProps/app.xml"}});
}

std::string CoreProperties() {
    return std::string(kXmlHeader) +
           "<cp:coreProperties "
           "xmlns:cp=\"http://schemas.openxmlformats.org/package/2006/metadata/core-properties\" "
           "xmlns:dc=\"http://purl.org/dc/elements/1.1/\"><dc:title></dc:title>"
           "</cp:coreProperties>";
}

std::string AppProperties(int slide_count) {
    return std::string(kXmlHeader) +
           "<Properties xmlns=\"http://schemas.openxmlformats.org/officeDocument/2006/"
           "extended-properties\"><Application>Quire</Application><Slides>" +
           std::to_string(slide_count) + "</Slides></Properties>";
}

// Slides are rId3.., after the master and the theme.
constexpr int kFirstSlideRelationship = 3;

std::string Presentation(int slide_count, long width, long height) {
    std::string xml = std::string(kXmlHeader) + "<p:presentation" + kNamespaces +
                      "><p:sldMasterIdLst><p:sldMasterId id=\"2147483648\" r:id=\"rId1\"/>"
                      "</p:sldMasterIdLst>";
    if (slide_count > 0) {
        xml += "<p:sldIdLst>";
        for (int slide = 0; slide < slide_count; ++slide)
            xml += "<p:sldId id=\"" + std::to_string(256 + slide) + "\" r:id=\"rId" +
                   std::to_string(kFirstSlideRelationship + slide) + "\"/>";
        xml += "</p:sldIdLst>";
    }
    return xml + "<p:sldSz cx=\"" + std::to_string(width) + "\" cy=\"" + std::to_string(height) +
           "\"/><p:notesSz cx=\"6858000\" cy=\"9144000\"/></p:presentation>";
}

std::string PresentationRelationships(int slide_count) {
    std::vector<PartRelationship> relationships = {
        {"rId1", "slideMaster", "slideMasters/slideMaster1.xml"},
        {"rId2", "theme", "theme/theme1.xml"}};
    for (int slide = 0; slide < slide_count; ++slide)
        relationships.push_back({"rId" + std::to_string(kFirstSlideRelationship + slide), "slide",
                                 "slides/slide" + std::to_string(slide + 1) + ".xml"});
    const int next = kFirstSlideRelationship + slide_count;
    relationships.push_back({"rId" + std::to_string(next), "presProps", "presProps.xml"});
    relationships.push_back({"rId" + std::to_string(next + 1), "viewProps", "viewProps.xml"});
    relationships.push_back({"rId" + std::to_string(next + 2), "tableStyles", "tableStyles.xml"});
    return RelationshipsXml(relationships);
}

std::string SlideMaster() {
    return std::string(kXmlHeader) + "<p:sldMaster" + kNamespaces +
           "><p:cSld><p:bg><p:bgPr><a:solidFill><a:srgbClr val=\"FFFFFF\"/></a:solidFill>"
           "<a:effectLst/></p:bgPr></p:bg>" +
           kEmptyShapeTree +
           "</p:cSld><p:clrMap bg1=\"lt1\" tx1=\"dk1\" bg2=\"lt2\" tx2=\"dk2\" "
           "accent1=\"accent1\" accent2=\"accent2\" accent3=\"accent3\" accent4=\"accent4\" "
           "accent5=\"accent5\" accent6=\"accent6\" hlink=\"hlink\" folHlink=\"folHlink\"/>"
           "<p:sldLayoutIdLst><p:sldLayoutId id=\"2147483649\" r:id=\"rId1\"/>"
           "</p:sldLayoutIdLst><p:txStyles><p:titleStyle/><p:bodyStyle/><p:otherStyle/>"
           "</p:txStyles></p:sldMaster>";
}

std::string SlideLayout() {
    return std::string(kXmlHeader) + "<p:sldLayout" + kNamespaces +
           " type=\"blank\" preserve=\"1\"><p:cSld name=\"Blank\">" + kEmptyShapeTree +
           "</p:cSld><p:clrMapOvr><a:masterClrMapping/></p:clrMapOvr></p:sldLayout>";
}

std::string ColorScheme() {
    const std::pair<const char*, const char*> colors[] = {
        {"dk2", "1F2A44"},     {"lt2", "E8E8E8"},     {"accent1", "4472C4"}, {"accent2", "ED7D31"},
        {"accent3", "A5A5A5"}, {"accent4", "FFC000"}, {"accent5", "5B9BD5"}, {"accent6", "70AD47"},
        {"hlink", "0563C1"},   {"folHlink", "954F72"}};
    std::string xml =
        "<a:clrScheme name=\"Plain\"><a:dk1><a:srgbClr val=\"000000\"/></a:dk1>"
        "<a:lt1><a:srgbClr val=\"FFFFFF\"/></a:lt1>";
    for (const auto& [name, value] : colors)
        xml += std::string("<a:") + name + "><a:srgbClr val=\"" + value + "\"/></a:" + name + ">";
    return xml + "</a:clrScheme>";
}

std::string FontScheme() {
    const auto fonts = [](const char* element) {
        return std::string("<a:") + element +
               "><a:latin typeface=\"Liberation Sans\"/><a:ea typeface=\"\"/>"
               "<a:cs typeface=\"\"/></a:" +
               element + ">";
    };
    return "<a:fontScheme name=\"Plain\">" + fonts("majorFont") + fonts("minorFont") +
           "</a:fontScheme>";
}

// A theme must offer three of each kind of fill, line and effect, even when no shape uses them.
std::string FormatScheme() {
    const std::string fill = "<a:solidFill><a:schemeClr val=\"phClr\"/></a:solidFill>";
    std::string fills, lines, effects;
    for (int i = 0; i < 3; ++i) {
        fills += fill;
        lines += "<a:ln w=\"" + std::to_string(6350 * (i + 1)) + "\">" + fill + "</a:ln>";
        effects += "<a:effectStyle><a:effectLst/></a:effectStyle>";
    }
    return "<a:fmtScheme name=\"Plain\"><a:fillStyleLst>" + fills +
           "</a:fillStyleLst><a:lnStyleLst>" + lines + "</a:lnStyleLst><a:effectStyleLst>" +
           effects + "</a:effectStyleLst><a:bgFillStyleLst>" + fills +
           "</a:bgFillStyleLst></a:fmtScheme>";
}

std::string Theme() {
    return std::string(kXmlHeader) +
           "<a:theme xmlns:a=\"http://schemas.openxmlformats.org/drawingml/2006/main\" "
           "name=\"Plain\"><a:themeElements>" +
           ColorScheme() + FontScheme() + FormatScheme() +
           "</a:themeElements><a:objectDefaults/><a:extraClrSchemeLst/></a:theme>";
}

struct Part {
    std::string name;
    std::string type;
    std::string data;
};

}  // namespace

std::string RelationshipsXml(const std::vector<PartRelationship>& relationships) {
    std::string xml = std::string(kXmlHeader) +
                      "<Relationships "
                      "xmlns=\"http://schemas.openxmlformats.org/package/2006/relationships\">";
    for (const PartRelationship& relationship : relationships) {
        const bool full = relationship.type.starts_with("http");
        xml += "<Relationship Id=\"" + XmlEscape(relationship.id) + "\" Type=\"" +
               (full ? "" : kRelationshipBase) + relationship.type + "\" Target=\"" +
               XmlEscape(relationship.target) + "\"" +
               (relationship.external ? " TargetMode=\"External\"" : "") + "/>";
    }
    return xml + "</Relationships>";
}

bool AddDeckParts(OoxmlPackage* package, int slide_count, long width, long height,
                  std::string* error) {
    const std::string p = kTypeBase;
    const std::vector<Part> parts = {
        {"_rels/.rels", "", PackageRelationships()},
        {"docProps/core.xml", "application/vnd.openxmlformats-package.core-properties+xml",
         CoreProperties()},
        {"docProps/app.xml",
         "application/vnd.openxmlformats-officedocument.extended-properties+xml",
         AppProperties(slide_count)},
        {"ppt/presentation.xml", p + "presentation.main+xml",
         Presentation(slide_count, width, height)},
        {"ppt/_rels/presentation.xml.rels", "", PresentationRelationships(slide_count)},
        {"ppt/presProps.xml", p + "presProps+xml",
         std::string(kXmlHeader) + "<p:presentationPr" + kNamespaces + "/>"},
        {"ppt/viewProps.xml", p + "viewProps+xml",
         std::string(kXmlHeader) + "<p:viewPr" + kNamespaces + "/>"},
        {"ppt/tableStyles.xml", p + "tableStyles+xml",
         std::string(kXmlHeader) +
             "<a:tblStyleLst xmlns:a=\"http://schemas.openxmlformats.org/drawingml/2006/main\" "
             "def=\"{5C22544A-7EE6-4342-B048-85BDC9FD1C3A}\"/>"},
        {"ppt/slideMasters/slideMaster1.xml", p + "slideMaster+xml", SlideMaster()},
        {"ppt/slideMasters/_rels/slideMaster1.xml.rels", "",
         RelationshipsXml({{"rId1", "slideLayout", "../slideLayouts/slideLayout1.xml"},
                           {"rId2", "theme", "../theme/theme1.xml"}})},
        {"ppt/slideLayouts/slideLayout1.xml", p + "slideLayout+xml", SlideLayout()},
        {"ppt/slideLayouts/_rels/slideLayout1.xml.rels", "",
         RelationshipsXml({{"rId1", "slideMaster", "../slideMasters/slideMaster1.xml"}})},
        {"ppt/theme/theme1.xml", "application/vnd.openxmlformats-officedocument.theme+xml",
         Theme()}};
    for (const Part& part : parts) {
        if (!package->AddPart(part.name, part.type, part.data, error))
            return false;
    }
    return true;
}

}  // namespace reconstruct
