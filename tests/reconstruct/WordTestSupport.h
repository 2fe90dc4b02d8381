#pragma once

#include <tinyxml2.h>
#include <zip.h>

#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "reconstruct/LayoutModel.h"
#include "support/ZipPart.h"

// Reading back what the Word writer produced: parts of the package and their elements.
namespace wordtest {

// A valid 1x1 red PNG.
inline const std::vector<unsigned char> kRedPixelPng = {
    0x89, 0x50, 0x4E, 0x47, 0x0D, 0x0A, 0x1A, 0x0A, 0x00, 0x00, 0x00, 0x0D, 0x49, 0x48,
    0x44, 0x52, 0x00, 0x00, 0x00, 0x01, 0x00, 0x00, 0x00, 0x01, 0x08, 0x02, 0x00, 0x00,
    0x00, 0x90, 0x77, 0x53, 0xDE, 0x00, 0x00, 0x00, 0x0C, 0x49, 0x44, 0x41, 0x54, 0x08,
    0xD7, 0x63, 0xF8, 0xCF, 0xC0, 0x00, 0x00, 0x03, 0x01, 0x01, 0x00, 0x18, 0xDD, 0x8D,
    0xB0, 0x00, 0x00, 0x00, 0x00, 0x49, 0x45, 0x4E, 0x44, 0xAE, 0x42, 0x60, 0x82};

inline std::vector<std::string> PartNames(const std::filesystem::path& package) {
    std::vector<std::string> names;
    int code = 0;
    zip_t* archive = zip_open(package.c_str(), ZIP_RDONLY, &code);
    if (archive == nullptr)
        return names;
    for (zip_int64_t i = 0; i < zip_get_num_entries(archive, 0); ++i)
        names.emplace_back(zip_get_name(archive, i, 0));
    zip_close(archive);
    return names;
}

// Model values with the defaults the tests share.
inline reconstruct::TextRun MakeRun(const std::string& text,
                                    const std::string& family = "DejaVu Serif", double size = 11) {
    reconstruct::TextRun run;
    run.text = text;
    run.font.family = family;
    run.font.size = size;
    return run;
}

inline reconstruct::Paragraph ParagraphOf(std::vector<reconstruct::TextRun> runs, double x = 72) {
    reconstruct::Paragraph paragraph;
    paragraph.box = {x, 100, x + 200, 114};
    paragraph.runs = std::move(runs);
    return paragraph;
}

inline reconstruct::Paragraph Para(const std::string& text, double x = 72,
                                   const std::string& family = "DejaVu Serif", double size = 11) {
    return ParagraphOf({MakeRun(text, family, size)}, x);
}

inline reconstruct::Image Picture(const std::vector<unsigned char>& bytes, const char* mime,
                                  reconstruct::Rect box) {
    reconstruct::Image image;
    image.box = box;
    image.mime = mime;
    image.bytes = bytes;
    image.pixel_width = 1;
    image.pixel_height = 1;
    return image;
}

inline reconstruct::Region Band(std::vector<reconstruct::Block> blocks, int columns = 1) {
    reconstruct::Region region;
    region.columns = columns;
    region.column_gap = 20;
    region.blocks = std::move(blocks);
    return region;
}

inline reconstruct::Page APage(int index, std::vector<reconstruct::Region> regions,
                               double width = 612, double height = 792) {
    reconstruct::Page page;
    page.index = index;
    page.width = width;
    page.height = height;
    page.regions = std::move(regions);
    return page;
}

// Every element named `name` under `root`, in document order.
inline std::vector<const tinyxml2::XMLElement*> All(const tinyxml2::XMLElement* root,
                                                    const char* name) {
    std::vector<const tinyxml2::XMLElement*> found;
    std::function<void(const tinyxml2::XMLElement*)> visit = [&](const tinyxml2::XMLElement* e) {
        for (const auto* child = e->FirstChildElement(); child;
             child = child->NextSiblingElement()) {
            if (std::string(child->Name()) == name)
                found.push_back(child);
            visit(child);
        }
    };
    if (root != nullptr)
        visit(root);
    return found;
}

inline std::string Attr(const tinyxml2::XMLElement* e, const char* name) {
    const char* value = e == nullptr ? nullptr : e->Attribute(name);
    return value == nullptr ? "" : value;
}

// The w:val of the child `name` of `e`; "" when there is none.
inline std::string ChildVal(const tinyxml2::XMLElement* e, const char* name) {
    return Attr(e == nullptr ? nullptr : e->FirstChildElement(name), "w:val");
}

// The text of all w:t under `root`.
inline std::string TextUnder(const tinyxml2::XMLElement* root) {
    std::string text;
    for (const auto* t : All(root, "w:t"))
        text += t->GetText() ? t->GetText() : "";
    return text;
}

}  // namespace wordtest
