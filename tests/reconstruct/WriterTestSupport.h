#pragma once

#include <tinyxml2.h>
#include <zip.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include "support/ZipPart.h"

// Reading back what the Office writers wrote.

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
