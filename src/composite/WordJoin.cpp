#include "composite/WordJoin.h"

#include <tinyxml2.h>

#include <algorithm>
#include <map>
#include <memory>
#include <set>
#include <sstream>

#include "composite/OoxmlParts.h"
#include "composite/PackageAssembly.h"

namespace document_join {
namespace {

constexpr const char* kWordNs = "http://schemas.openxmlformats.org/wordprocessingml/2006/main";
constexpr const char* kDrawingNs =
    "http://schemas.openxmlformats.org/drawingml/2006/wordprocessingDrawing";
constexpr const char* kCompatibilityNs =
    "http://schemas.openxmlformats.org/markup-compatibility/2006";
constexpr const char* kNumberingType =
    "http://schemas.openxmlformats.org/officeDocument/2006/relationships/numbering";
constexpr const char* kNumberingContentType =
    "application/vnd.openxmlformats-officedocument.wordprocessingml.numbering+xml";

// A Word package: its main part is the document.
struct WordPackage : OfficePackage {
    std::string w;  // the prefix of the main namespace
    tinyxml2::XMLElement* body = nullptr;
};

bool LoadWordPackage(const std::filesystem::path& path, WordPackage* package, std::string* error) {
    if (!LoadOfficePackage(path, package, error)) {
        return false;
    }
    tinyxml2::XMLElement* root = package->document.RootElement();
    if (!PrefixOf(root, kWordNs, &package->w)) {
        *error = package->path + " is not a Word document";
        return false;
    }
    package->body = root->FirstChildElement(Qualified(package->w, "body").c_str());
    if (!package->body) {
        *error = package->path + " has a document without a body";
        return false;
    }
    return true;
}

tinyxml2::XMLElement* FinalSectionProperties(const WordPackage& package) {
    tinyxml2::XMLElement* last = package.body->LastChildElement();
    const std::string name = Qualified(package.w, "sectPr");
    return last && name == last->Name() ? last : nullptr;
}

int MaxIntAttribute(tinyxml2::XMLElement* root, const std::string& element,
                    const std::string& attribute) {
    int highest = -1;
    ForEachElement(root, [&](tinyxml2::XMLElement* e) {
        if (element == e->Name()) {
            highest = std::max(highest, e->IntAttribute(attribute.c_str(), -1));
        }
    });
    return highest;
}

// Adds `offset` to `attribute` of every `element` below `root` whose value is at least
// `lowest` (list references use 0 for "no list", so they start at 1).
void OffsetIntAttribute(tinyxml2::XMLElement* root, const std::string& element,
                        const std::string& attribute, int offset, int lowest) {
    ForEachElement(root, [&](tinyxml2::XMLElement* e) {
        const int value = e->IntAttribute(attribute.c_str(), -1);
        if (element == e->Name() && value >= lowest) {
            e->SetAttribute(attribute.c_str(), value + offset);
        }
    });
}

// `base`'s space-separated tokens followed by those of `added` it lacks.
std::string MergeTokens(const std::string& base, const std::string& added) {
    std::string merged = base;
    std::istringstream tokens(added);
    std::string token;
    while (tokens >> token) {
        if ((" " + merged + " ").find(" " + token + " ") == std::string::npos) {
            merged += (merged.empty() ? "" : " ") + token;
        }
    }
    return merged;
}

class WordJoiner {
public:
    bool Start(const std::filesystem::path& first, std::string* error);
    bool Append(const std::filesystem::path& path, int number, std::string* error);
    bool Finish(const std::filesystem::path& target, std::string* error);

private:
    // What one appended part's copied relationships became.
    struct PartCopy {
        WordPackage* package = nullptr;
        int number = 0;
        std::map<std::string, std::string> ids;  // relationship id there → here
    };

    bool LoadRelated(const char* type, std::unique_ptr<tinyxml2::XMLDocument>* document,
                     std::string* part, std::string* error);
    void CreateNumbering();
    bool MergeStyles(const WordPackage& part, std::string* error);
    bool MergeNamespaces(const WordPackage& part, std::string* error);
    bool MergeNumbering(WordPackage& part, std::string* error);
    void RenumberDrawingsAndBookmarks(WordPackage& part);
    bool RewriteRelationshipIds(PartCopy& copy, std::string* error);
    bool MapRelationship(PartCopy& copy, const std::string& id, std::string* new_id,
                         std::string* error);
    void AppendBody(const WordPackage& part);

    std::unique_ptr<WordPackage> base_;
    std::unique_ptr<PackageAssembly> assembly_;
    std::unique_ptr<tinyxml2::XMLDocument> styles_;
    std::string styles_part_;
    std::unique_ptr<tinyxml2::XMLDocument> numbering_;
    std::string numbering_part_;
    int next_drawing_id_ = 1;
    int next_bookmark_id_ = 0;
};

bool WordJoiner::Start(const std::filesystem::path& first, std::string* error) {
    base_ = std::make_unique<WordPackage>();
    if (!LoadWordPackage(first, base_.get(), error) ||
        !LoadRelated("numbering", &numbering_, &numbering_part_, error) ||
        !LoadRelated("styles", &styles_, &styles_part_, error)) {
        return false;
    }
    assembly_ = std::make_unique<PackageAssembly>(base_.get());
    tinyxml2::XMLElement* root = base_->document.RootElement();
    std::string wp;
    if (PrefixOf(root, kDrawingNs, &wp)) {
        next_drawing_id_ = std::max(1, MaxIntAttribute(root, Qualified(wp, "docPr"), "id") + 1);
    }
    const std::string id = Qualified(base_->w, "id");
    next_bookmark_id_ = MaxIntAttribute(root, Qualified(base_->w, "bookmarkStart"), id) + 1;
    return true;
}

bool WordJoiner::LoadRelated(const char* type, std::unique_ptr<tinyxml2::XMLDocument>* document,
                             std::string* part, std::string* error) {
    auto loaded = std::make_unique<tinyxml2::XMLDocument>(true, tinyxml2::PRESERVE_WHITESPACE);
    if (!ReadRelatedPart(*base_, type, loaded.get(), part, error)) {
        return false;
    }
    if (!part->empty()) {
        *document = std::move(loaded);
    }
    return true;
}

// Styles only a later part defines are added; where both define a style the first part's
// definition holds for the whole document.
bool WordJoiner::MergeStyles(const WordPackage& part, std::string* error) {
    if (!styles_) {
        return true;
    }
    tinyxml2::XMLDocument styles(true, tinyxml2::PRESERVE_WHITESPACE);
    std::string found;
    if (!ReadRelatedPart(part, "styles", &styles, &found, error)) {
        return false;
    }
    if (found.empty()) {
        return true;
    }
    const std::string style = Qualified(base_->w, "style");
    const std::string style_id = Qualified(base_->w, "styleId");
    tinyxml2::XMLElement* base_root = styles_->RootElement();
    std::set<std::string> known;
    for (const tinyxml2::XMLElement* e = base_root->FirstChildElement(style.c_str()); e;
         e = e->NextSiblingElement(style.c_str())) {
        known.insert(e->Attribute(style_id.c_str()) ? e->Attribute(style_id.c_str()) : "");
    }
    for (const tinyxml2::XMLElement* e = styles.RootElement()->FirstChildElement(style.c_str()); e;
         e = e->NextSiblingElement(style.c_str())) {
        const char* id = e->Attribute(style_id.c_str());
        if (id && known.insert(id).second) {
            base_root->InsertEndChild(e->DeepClone(styles_.get()));
        }
    }
    return true;
}

void WordJoiner::CreateNumbering() {
    numbering_ = std::make_unique<tinyxml2::XMLDocument>(true, tinyxml2::PRESERVE_WHITESPACE);
    numbering_->InsertEndChild(
        numbering_->NewDeclaration("xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\""));
    tinyxml2::XMLElement* root = numbering_->NewElement(Qualified(base_->w, "numbering").c_str());
    root->SetAttribute(base_->w.empty() ? "xmlns" : ("xmlns:" + base_->w).c_str(), kWordNs);
    numbering_->InsertEndChild(root);
    numbering_part_ = assembly_->FreshName("word/numbering.xml", 0);
    base_->relationships.Add(kNumberingType, RelativeTarget(base_->main_part, numbering_part_),
                             false);
    base_->types.SetOverride(numbering_part_, kNumberingContentType);
}

bool WordJoiner::Append(const std::filesystem::path& path, int number, std::string* error) {
    auto part = std::make_unique<WordPackage>();
    if (!LoadWordPackage(path, part.get(), error)) {
        return false;
    }
    if (part->w != base_->w) {
        *error = part->path + " names its Word elements unlike the first part";
        return false;
    }
    PartCopy copy{part.get(), number, {}};
    if (!MergeNamespaces(*part, error) || !MergeNumbering(*part, error) ||
        !MergeStyles(*part, error) || !RewriteRelationshipIds(copy, error)) {
        return false;
    }
    RenumberDrawingsAndBookmarks(*part);
    AppendBody(*part);
    assembly_->KeepOpen(std::move(part->reader));
    return true;
}

// The appended elements keep their prefixes, so the base's root must declare them too.
bool WordJoiner::MergeNamespaces(const WordPackage& part, std::string* error) {
    tinyxml2::XMLElement* base_root = base_->document.RootElement();
    const tinyxml2::XMLElement* part_root = part.document.RootElement();
    for (const tinyxml2::XMLAttribute* a = part_root->FirstAttribute(); a; a = a->Next()) {
        const std::string name = a->Name();
        if (name != "xmlns" && name.compare(0, 6, "xmlns:") != 0) {
            continue;
        }
        const char* known = base_root->Attribute(name.c_str());
        if (!known) {
            base_root->SetAttribute(name.c_str(), a->Value());
        } else if (std::string(known) != a->Value()) {
            *error =
                part.path + " gives the prefix " + name + " another meaning than the first part";
            return false;
        }
    }
    std::string mc;
    if (!PrefixOf(part_root, kCompatibilityNs, &mc) || mc.empty()) {
        return true;
    }
    const std::string ignorable = Qualified(mc, "Ignorable");
    const char* base_list = base_root->Attribute(ignorable.c_str());
    const char* part_list = part_root->Attribute(ignorable.c_str());
    const std::string merged = MergeTokens(base_list ? base_list : "", part_list ? part_list : "");
    if (!merged.empty()) {
        base_root->SetAttribute(ignorable.c_str(), merged.c_str());
    }
    return true;
}

// The part's list definitions join the base's under ids past the base's highest, and the
// part's text is renumbered to match, so a list in one part never continues in another.
bool WordJoiner::MergeNumbering(WordPackage& part, std::string* error) {
    tinyxml2::XMLDocument numbering(true, tinyxml2::PRESERVE_WHITESPACE);
    std::string found;
    if (!ReadRelatedPart(part, "numbering", &numbering, &found, error)) {
        return false;
    }
    if (found.empty()) {
        return true;
    }
    if (!numbering_) {
        CreateNumbering();
    }
    const std::string& w = base_->w;
    const std::string abstract_num = Qualified(w, "abstractNum");
    const std::string abstract_num_id = Qualified(w, "abstractNumId");
    const std::string num = Qualified(w, "num");
    const std::string num_id = Qualified(w, "numId");
    const std::string val = Qualified(w, "val");
    tinyxml2::XMLElement* base_root = numbering_->RootElement();
    const int abstract_offset = MaxIntAttribute(base_root, abstract_num, abstract_num_id) + 1;
    const int num_offset = std::max(0, MaxIntAttribute(base_root, num, num_id));
    tinyxml2::XMLElement* part_root = numbering.RootElement();
    for (tinyxml2::XMLElement* e = part_root->FirstChildElement(abstract_num.c_str()); e;
         e = e->NextSiblingElement(abstract_num.c_str())) {
        tinyxml2::XMLElement* clone = e->DeepClone(numbering_.get())->ToElement();
        clone->SetAttribute(abstract_num_id.c_str(),
                            clone->IntAttribute(abstract_num_id.c_str()) + abstract_offset);
        // Picture bullets live in the part's own numbering; plain bullets stand in for them.
        ForEachElement(clone, [&](tinyxml2::XMLElement* level) {
            if (auto* picture = level->FirstChildElement(Qualified(w, "lvlPicBulletId").c_str())) {
                level->DeleteChild(picture);
            }
        });
        InsertAfterLastOf(base_root, {abstract_num, Qualified(w, "numPicBullet")}, clone);
    }
    for (tinyxml2::XMLElement* e = part_root->FirstChildElement(num.c_str()); e;
         e = e->NextSiblingElement(num.c_str())) {
        tinyxml2::XMLElement* clone = e->DeepClone(numbering_.get())->ToElement();
        clone->SetAttribute(num_id.c_str(), clone->IntAttribute(num_id.c_str()) + num_offset);
        if (auto* abstract = clone->FirstChildElement(abstract_num_id.c_str())) {
            abstract->SetAttribute(val.c_str(),
                                   abstract->IntAttribute(val.c_str()) + abstract_offset);
        }
        InsertAfterLastOf(base_root, {num, abstract_num, Qualified(w, "numPicBullet")}, clone);
    }
    OffsetIntAttribute(part.body, num_id, val, num_offset, 1);
    return true;
}

// Drawing ids must be unique across the document, or Word reports it damaged.
void WordJoiner::RenumberDrawingsAndBookmarks(WordPackage& part) {
    std::string wp;
    if (PrefixOf(part.document.RootElement(), kDrawingNs, &wp)) {
        const std::string doc_pr = Qualified(wp, "docPr");
        ForEachElement(part.body, [&](tinyxml2::XMLElement* e) {
            if (doc_pr == e->Name()) {
                e->SetAttribute("id", next_drawing_id_++);
            }
        });
    }
    const std::string id = Qualified(part.w, "id");
    const int highest = MaxIntAttribute(part.body, Qualified(part.w, "bookmarkStart"), id);
    OffsetIntAttribute(part.body, Qualified(part.w, "bookmarkStart"), id, next_bookmark_id_, 0);
    OffsetIntAttribute(part.body, Qualified(part.w, "bookmarkEnd"), id, next_bookmark_id_, 0);
    next_bookmark_id_ += std::max(0, highest) + 1;
}

bool WordJoiner::RewriteRelationshipIds(PartCopy& copy, std::string* error) {
    std::string r;
    if (!PrefixOf(copy.package->document.RootElement(), kRelationshipsNs, &r) || r.empty()) {
        return true;
    }
    const std::string prefix = r + ":";
    std::vector<std::pair<tinyxml2::XMLElement*, std::string>> references;
    ForEachElement(copy.package->body, [&](tinyxml2::XMLElement* e) {
        for (const tinyxml2::XMLAttribute* a = e->FirstAttribute(); a; a = a->Next()) {
            if (std::string(a->Name()).compare(0, prefix.size(), prefix) == 0) {
                references.emplace_back(e, a->Name());
            }
        }
    });
    for (const auto& [element, attribute] : references) {
        std::string new_id;
        if (!MapRelationship(copy, element->Attribute(attribute.c_str()), &new_id, error)) {
            return false;
        }
        if (new_id.empty()) {
            element->DeleteAttribute(attribute.c_str());  // it pointed nowhere in its own part
        } else {
            element->SetAttribute(attribute.c_str(), new_id.c_str());
        }
    }
    return true;
}

bool WordJoiner::MapRelationship(PartCopy& copy, const std::string& id, std::string* new_id,
                                 std::string* error) {
    const auto known = copy.ids.find(id);
    if (known != copy.ids.end()) {
        *new_id = known->second;
        return true;
    }
    const Relationship* relationship = copy.package->relationships.Find(id);
    if (!relationship) {
        new_id->clear();
        return true;
    }
    std::string target = relationship->target;
    if (!relationship->external) {
        const std::string source = ResolveTarget(copy.package->main_part, relationship->target);
        std::string copied;
        if (!assembly_->CopyPart(*copy.package, copy.number, source, &copied, error)) {
            return false;
        }
        target = RelativeTarget(base_->main_part, copied);
    }
    *new_id = base_->relationships.Add(relationship->type, target, relationship->external);
    copy.ids[id] = *new_id;
    return true;
}

// The base's closing section properties become a section break in a last paragraph of their
// own, so every part keeps its page size and margins; the part's closing ones close the body.
void WordJoiner::AppendBody(const WordPackage& part) {
    tinyxml2::XMLDocument& document = base_->document;
    tinyxml2::XMLElement* body = base_->body;
    tinyxml2::XMLElement* base_final = FinalSectionProperties(*base_);
    tinyxml2::XMLElement* part_final = FinalSectionProperties(part);
    if (base_final && part_final) {
        tinyxml2::XMLElement* paragraph = document.NewElement(Qualified(base_->w, "p").c_str());
        body->InsertEndChild(paragraph);
        paragraph->InsertNewChildElement(Qualified(base_->w, "pPr").c_str())
            ->InsertEndChild(base_final);
        base_final = nullptr;
    }
    for (const tinyxml2::XMLElement* child = part.body->FirstChildElement(); child;
         child = child->NextSiblingElement()) {
        tinyxml2::XMLNode* clone = child->DeepClone(&document);
        tinyxml2::XMLNode* before = base_final ? base_final->PreviousSibling() : body->LastChild();
        if (before) {
            body->InsertAfterChild(before, clone);
        } else {
            body->InsertFirstChild(clone);
        }
    }
}

bool WordJoiner::Finish(const std::filesystem::path& target, std::string* error) {
    assembly_->SetEntry(base_->main_part, PrintXml(base_->document));
    assembly_->SetEntry(RelsPathOf(base_->main_part), base_->relationships.Xml());
    if (numbering_) {
        assembly_->SetEntry(numbering_part_, PrintXml(*numbering_));
    }
    if (styles_) {
        assembly_->SetEntry(styles_part_, PrintXml(*styles_));
    }
    return assembly_->Write(target, error);
}

}  // namespace

bool JoinWordDocuments(const std::vector<std::filesystem::path>& parts,
                       const std::filesystem::path& target, std::string* error) {
    return JoinParts<WordJoiner>(parts, target, error);
}

}  // namespace document_join
