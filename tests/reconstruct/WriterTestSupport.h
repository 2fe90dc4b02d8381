#pragma once

#include <tinyxml2.h>
#include <zip.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

// Reading back what the Office writers wrote.

// One part of a written package; empty when it is missing.
inline std::string ReadPackagePart(const std::filesystem::path& package, const std::string& name) {
    int code = 0;
    zip_t* archive = zip_open(package.c_str(), ZIP_RDONLY, &code);
    if (archive == nullptr)
        return {};
    std::string data;
    zip_stat_t stat;
    zip_file_t* file = zip_stat(archive, name.c_str(), 0, &stat) == 0
                           ? zip_fopen(archive, name.c_str(), 0)
                           : nullptr;
    if (file != nullptr) {
        data.resize(stat.size);
        data.resize(std::max<zip_int64_t>(0, zip_fread(file, data.data(), data.size())));
        zip_fclose(file);
    }
    zip_close(archive);
    return data;
}

// Elements named `name` (with prefix, e.g. "a:off") anywhere under `root`, in document order.
inline std::vector<const tinyxml2::XMLElement*> AllElements(const tinyxml2::XMLElement* root,
                                                            const char* name) {
    std::vector<const tinyxml2::XMLElement*> found;
    std::vector<const tinyxml2::XMLElement*> pending = {root};
    while (!pending.empty()) {
        const tinyxml2::XMLElement* node = pending.back();
        pending.pop_back();
        if (node == nullptr)
            continue;
        if (std::string(node->Name()) == name)
            found.push_back(node);
        for (auto* child = node->LastChildElement(); child; child = child->PreviousSiblingElement())
            pending.push_back(child);
    }
    return found;
}

// A 2x2 red PNG.
inline const std::vector<unsigned char> kRedPng = {
    0x89, 0x50, 0x4e, 0x47, 0x0d, 0x0a, 0x1a, 0x0a, 0x00, 0x00, 0x00, 0x0d, 0x49, 0x48, 0x44,
    0x52, 0x00, 0x00, 0x00, 0x02, 0x00, 0x00, 0x00, 0x02, 0x08, 0x02, 0x00, 0x00, 0x00, 0xfd,
    0xd4, 0x9a, 0x73, 0x00, 0x00, 0x00, 0x10, 0x49, 0x44, 0x41, 0x54, 0x78, 0x9c, 0x63, 0xf8,
    0xcf, 0xc0, 0x00, 0x44, 0x0c, 0x10, 0x0a, 0x00, 0x1f, 0xee, 0x03, 0xfd, 0x8b, 0x5f, 0x14,
    0xd4, 0x00, 0x00, 0x00, 0x00, 0x49, 0x45, 0x4e, 0x44, 0xae, 0x42, 0x60, 0x82};
