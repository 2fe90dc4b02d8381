#include "convcore/PptxSlides.h"

#include <tinyxml2.h>
#include <zip.h>

#include <array>
#include <cstring>
#include <fstream>
#include <memory>
#include <optional>

namespace convcore {
namespace {

// Presentation parts are small; a larger one is not worth reading for a page count.
constexpr zip_uint64_t kMaxPartSize = 32u << 20;
constexpr std::size_t kMaxSlides = 100000;

struct ZipCloser {
    void operator()(zip_t* archive) const { zip_discard(archive); }
};
struct ZipFileCloser {
    void operator()(zip_file_t* file) const { zip_fclose(file); }
};
using ZipArchive = std::unique_ptr<zip_t, ZipCloser>;

std::optional<std::string> ReadPart(zip_t* archive, const std::string& name) {
    zip_stat_t stat;
    zip_stat_init(&stat);
    if (zip_stat(archive, name.c_str(), 0, &stat) != 0 || !(stat.valid & ZIP_STAT_SIZE) ||
        stat.size > kMaxPartSize)
        return std::nullopt;
    const std::unique_ptr<zip_file_t, ZipFileCloser> file(zip_fopen(archive, name.c_str(), 0));
    if (!file)
        return std::nullopt;
    std::string data(stat.size, '\0');
    const zip_int64_t read = zip_fread(file.get(), data.data(), data.size());
    if (read < 0 || static_cast<zip_uint64_t>(read) != stat.size)
        return std::nullopt;
    return data;
}

bool ParsePart(zip_t* archive, const std::string& name, tinyxml2::XMLDocument* xml) {
    const auto data = ReadPart(archive, name);
    return data && xml->Parse(data->data(), data->size()) == tinyxml2::XML_SUCCESS &&
           xml->RootElement() != nullptr;
}

// Element and attribute names without their namespace prefix: producers differ in prefixes.
const char* LocalName(const char* name) {
    const char* colon = std::strrchr(name, ':');
    return colon != nullptr ? colon + 1 : name;
}

const tinyxml2::XMLElement* Child(const tinyxml2::XMLElement* parent, const char* local_name) {
    for (auto* child = parent->FirstChildElement(); child; child = child->NextSiblingElement())
        if (std::strcmp(LocalName(child->Name()), local_name) == 0)
            return child;
    return nullptr;
}

// The relationship id of a slide list entry: the prefixed "id" attribute ("r:id"); the plain
// "id" is the slide's number.
const char* RelationshipId(const tinyxml2::XMLElement* entry) {
    for (auto* attribute = entry->FirstAttribute(); attribute; attribute = attribute->Next())
        if (std::strchr(attribute->Name(), ':') &&
            std::strcmp(LocalName(attribute->Name()), "id") == 0)
            return attribute->Value();
    return nullptr;
}

// The zip name of the part a presentation relationship points to.
std::optional<std::string> SlidePartName(const tinyxml2::XMLDocument& relationships,
                                         const char* id) {
    const tinyxml2::XMLElement* root = relationships.RootElement();
    for (auto* item = root->FirstChildElement(); item; item = item->NextSiblingElement()) {
        const char* item_id = item->Attribute("Id");
        const char* target = item->Attribute("Target");
        if (item_id == nullptr || target == nullptr || std::strcmp(item_id, id) != 0)
            continue;
        return target[0] == '/' ? std::string(target + 1) : "ppt/" + std::string(target);
    }
    return std::nullopt;
}

bool IsHidden(const tinyxml2::XMLDocument& slide) {
    const char* show = slide.RootElement()->Attribute("show");
    return show != nullptr && (std::strcmp(show, "0") == 0 || std::strcmp(show, "false") == 0);
}

SlideCount CountInArchive(zip_t* archive, const std::function<bool()>& cancelled) {
    SlideCount result;
    tinyxml2::XMLDocument presentation;
    tinyxml2::XMLDocument relationships;
    if (!ParsePart(archive, "ppt/presentation.xml", &presentation) ||
        !ParsePart(archive, "ppt/_rels/presentation.xml.rels", &relationships)) {
        result.error = "not a presentation: its slide list cannot be read";
        return result;
    }
    const tinyxml2::XMLElement* list = Child(presentation.RootElement(), "sldIdLst");
    int shown = 0;
    std::size_t listed = 0;
    for (auto* entry = list ? list->FirstChildElement() : nullptr; entry && listed < kMaxSlides;
         entry = entry->NextSiblingElement(), ++listed) {
        if (cancelled && cancelled()) {
            result.error = "cancelled";
            return result;
        }
        const char* id = RelationshipId(entry);
        const auto part = id ? SlidePartName(relationships, id) : std::nullopt;
        tinyxml2::XMLDocument slide;
        // A listed slide whose part is missing or broken is dropped by the export as well.
        if (part && ParsePart(archive, *part, &slide) && !IsHidden(slide))
            ++shown;
    }
    result.shown = shown;
    return result;
}

}  // namespace

SlideCount CountShownSlides(const std::filesystem::path& pptx,
                            const std::function<bool()>& cancelled) {
    int failure = 0;
    const ZipArchive archive(zip_open(pptx.c_str(), ZIP_RDONLY, &failure));
    if (!archive) {
        SlideCount result;
        result.encrypted = IsCompoundFile(pptx);
        result.error = result.encrypted ? "the presentation is password-protected"
                                        : "not a presentation: the file is not a zip archive";
        return result;
    }
    return CountInArchive(archive.get(), cancelled);
}

bool IsCompoundFile(const std::filesystem::path& file) {
    constexpr std::array<unsigned char, 8> kSignature = {0xD0, 0xCF, 0x11, 0xE0,
                                                         0xA1, 0xB1, 0x1A, 0xE1};
    std::array<char, 8> head{};
    std::ifstream in(file, std::ios::binary);
    return in.read(head.data(), head.size()) &&
           std::memcmp(head.data(), kSignature.data(), head.size()) == 0;
}

}  // namespace convcore
