#include "reconstruct/WordPictures.h"

#include <fstream>

namespace reconstruct {
namespace {

const char* ExtensionFor(const std::string& mime) {
    if (mime == "image/png")
        return "png";
    if (mime == "image/jpeg")
        return "jpeg";
    return nullptr;
}

bool WriteBytes(const std::filesystem::path& file, const std::vector<unsigned char>& bytes) {
    std::ofstream out(file, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()),
              static_cast<std::streamsize>(bytes.size()));
    out.close();
    return !out.fail();
}

}  // namespace

WordPictures::WordPictures(OoxmlPackage& package, WordRelationships& relationships,
                           std::filesystem::path scratch)
    : package_(package), relationships_(relationships), scratch_(std::move(scratch)) {}

bool WordPictures::Add(const Image& image, double width, double height, std::string* run_xml,
                       std::string* error) {
    run_xml->clear();
    const char* extension = ExtensionFor(image.mime);
    if (extension == nullptr || image.bytes.empty() || !(width > 0) || !(height > 0))
        return true;
    const std::string name = "image" + std::to_string(count_ + 1) + "." + extension;
    const std::filesystem::path file = scratch_ / name;
    if (!WriteBytes(file, image.bytes)) {
        *error = "cannot write a picture to " + file.string();
        return false;
    }
    if (!package_.AddPartFromFile("word/media/" + name, "", file, error))
        return false;
    ++count_;
    *run_xml = DrawingRunXml(relationships_.Add("image", "media/" + name), count_, Emu(width),
                             Emu(height));
    return true;
}

std::string DrawingRunXml(const std::string& relationship_id, int id, long cx, long cy) {
    const std::string number = std::to_string(id);
    const std::string extent =
        "cx=\"" + std::to_string(cx) + "\" cy=\"" + std::to_string(cy) + "\"";
    return "<w:r><w:drawing><wp:inline distT=\"0\" distB=\"0\" distL=\"0\" "
           "distR=\"0\"><wp:extent " +
           extent + "/><wp:effectExtent l=\"0\" t=\"0\" r=\"0\" b=\"0\"/><wp:docPr id=\"" + number +
           "\" name=\"Picture " + number +
           "\"/><wp:cNvGraphicFramePr><a:graphicFrameLocks noChangeAspect=\"1\"/>"
           "</wp:cNvGraphicFramePr><a:graphic><a:graphicData "
           "uri=\"http://schemas.openxmlformats.org/drawingml/2006/picture\"><pic:pic><pic:nvPicPr>"
           "<pic:cNvPr id=\"" +
           number + "\" name=\"Picture " + number +
           "\"/><pic:cNvPicPr/></pic:nvPicPr><pic:blipFill><a:blip r:embed=\"" + relationship_id +
           "\"/><a:stretch><a:fillRect/></a:stretch></pic:blipFill><pic:spPr><a:xfrm><a:off "
           "x=\"0\" "
           "y=\"0\"/><a:ext " +
           extent +
           "/></a:xfrm><a:prstGeom prst=\"rect\"><a:avLst/></a:prstGeom></pic:spPr></pic:pic>"
           "</a:graphicData></a:graphic></wp:inline></w:drawing></w:r>";
}

}  // namespace reconstruct
