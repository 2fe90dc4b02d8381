#include "composite/OoxmlParts.h"

#include <algorithm>
#include <cctype>
#include <vector>

namespace document_join {
namespace {

std::string FolderOf(const std::string& part) {
    const size_t slash = part.rfind('/');
    return slash == std::string::npos ? std::string() : part.substr(0, slash + 1);
}

}  // namespace

std::string ResolveTarget(const std::string& source_part, const std::string& target) {
    const bool absolute = !target.empty() && target.front() == '/';
    const std::string joined = absolute ? target.substr(1) : FolderOf(source_part) + target;
    std::vector<std::string> segments;
    size_t start = 0;
    while (start <= joined.size()) {
        size_t end = joined.find('/', start);
        if (end == std::string::npos) {
            end = joined.size();
        }
        const std::string segment = joined.substr(start, end - start);
        if (segment == "..") {
            if (segments.empty()) {
                return {};
            }
            segments.pop_back();
        } else if (!segment.empty() && segment != ".") {
            segments.push_back(segment);
        }
        start = end + 1;
    }
    std::string resolved;
    for (const std::string& segment : segments) {
        resolved += (resolved.empty() ? "" : "/") + segment;
    }
    return resolved;
}

std::string RelativeTarget(const std::string& source_part, const std::string& part) {
    const std::string folder = FolderOf(source_part);
    if (part.compare(0, folder.size(), folder) == 0) {
        return part.substr(folder.size());
    }
    return "/" + part;
}

std::string RelsPathOf(const std::string& part) {
    const size_t slash = part.rfind('/');
    const std::string file = slash == std::string::npos ? part : part.substr(slash + 1);
    return FolderOf(part) + "_rels/" + file + ".rels";
}

std::string ExtensionOf(const std::string& part) {
    const size_t slash = part.rfind('/');
    const size_t dot = part.rfind('.');
    if (dot == std::string::npos || (slash != std::string::npos && dot < slash)) {
        return {};
    }
    std::string extension = part.substr(dot + 1);
    std::transform(extension.begin(), extension.end(), extension.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return extension;
}

bool ParseXml(const std::string& bytes, tinyxml2::XMLDocument* document, const std::string& what,
              std::string* error) {
    if (document->Parse(bytes.data(), bytes.size()) != tinyxml2::XML_SUCCESS ||
        !document->RootElement()) {
        *error = what + " is not well-formed XML: " + document->ErrorStr();
        return false;
    }
    return true;
}

std::string PrintXml(const tinyxml2::XMLDocument& document) {
    tinyxml2::XMLPrinter printer(nullptr, true);
    document.Print(&printer);
    return std::string(printer.CStr(), static_cast<size_t>(std::max(printer.CStrSize() - 1, 0)));
}

bool PrefixOf(const tinyxml2::XMLElement* element, const std::string& uri, std::string* prefix) {
    for (const tinyxml2::XMLAttribute* a = element->FirstAttribute(); a; a = a->Next()) {
        const std::string name = a->Name();
        if (a->Value() != uri) {
            continue;
        }
        if (name == "xmlns") {
            prefix->clear();
            return true;
        }
        if (name.compare(0, 6, "xmlns:") == 0) {
            *prefix = name.substr(6);
            return true;
        }
    }
    return false;
}

std::string Qualified(const std::string& prefix, const char* local) {
    return prefix.empty() ? std::string(local) : prefix + ":" + local;
}

void ForEachElement(tinyxml2::XMLElement* element,
                    const std::function<void(tinyxml2::XMLElement*)>& visit) {
    visit(element);
    for (tinyxml2::XMLElement* child = element->FirstChildElement(); child;
         child = child->NextSiblingElement()) {
        ForEachElement(child, visit);
    }
}

void InsertAfterLastOf(tinyxml2::XMLElement* parent, std::initializer_list<std::string> names,
                       tinyxml2::XMLNode* node) {
    tinyxml2::XMLElement* anchor = nullptr;
    for (tinyxml2::XMLElement* child = parent->FirstChildElement(); child;
         child = child->NextSiblingElement()) {
        if (std::find(names.begin(), names.end(), child->Name()) != names.end()) {
            anchor = child;
        }
    }
    if (anchor) {
        parent->InsertAfterChild(anchor, node);
    } else {
        parent->InsertFirstChild(node);
    }
}

}  // namespace document_join
